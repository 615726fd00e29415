#include "structure/atom_site.h"

#include "common/text.h"

#include <gemmi/elem.hpp>

#include <cctype>
#include <optional>

namespace tavrel {

namespace {

bool isLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// gemmi's element for one or two letters (any case); El::X for none.
gemmi::El elementOf(std::string_view letters) {
    const std::string text(letters);
    if (letters.size() == 1) {
        const std::string padded = text + " ";
        return gemmi::find_element(padded.c_str());
    }
    return gemmi::find_element(text.c_str());
}

// The charge a type symbol's rest gives: "3+", "2-", "+3", "-2", "+", "-"; none for any other
// rest, which belongs to a label.
std::optional<int> chargeOf(std::string_view rest) {
    if (rest.empty()) return 0;
    auto signOf = [](char c) { return c == '+' ? 1 : c == '-' ? -1 : 0; };
    if (rest.size() == 1) {
        if (const int sign = signOf(rest[0])) return sign;
        return std::nullopt;
    }
    if (rest.size() == 2) {
        if (isDigit(rest[0]) && signOf(rest[1]) != 0) return signOf(rest[1]) * (rest[0] - '0');
        if (isDigit(rest[1]) && signOf(rest[0]) != 0) return signOf(rest[0]) * (rest[1] - '0');
    }
    return std::nullopt;
}

} // namespace

Result<Species> speciesOf(std::string_view typeSymbol) {
    const std::string text = trim(typeSymbol);
    std::size_t letters = 0;
    while (letters < text.size() && letters < 2 && isLetter(text[letters])) ++letters;
    if (letters == 0) return Problem{"\"" + text + "\" names no element"};

    gemmi::El element = gemmi::El::X;
    std::size_t used = 0;
    if (letters == 2) {
        element = elementOf(std::string_view(text).substr(0, 2));
        used = 2;
    }
    if (element == gemmi::El::X) {
        element = elementOf(std::string_view(text).substr(0, 1));
        used = 1;
    }
    if (element == gemmi::El::X)
        return Problem{"\"" + text + "\" names no element that Tavrel knows"};

    Species species;
    species.element = gemmi::element_name(element);
    species.atomicNumber = element == gemmi::El::D ? 1 : static_cast<int>(element);
    species.charge = chargeOf(std::string_view(text).substr(used)).value_or(0);
    return species;
}

} // namespace tavrel
