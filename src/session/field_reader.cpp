#include "session/field_reader.h"

#include "common/numeric.h"
#include "common/text.h"

namespace tavrel {

std::string withDecimalPoint(std::string_view text) {
    return replaceAll(text, ",", ".");
}

double fieldNumber(std::string_view text) {
    return leadingNumber(withDecimalPoint(text));
}

float fieldValue(std::string_view text) {
    return toFloat(fieldNumber(text));
}

} // namespace tavrel
