#include "session/reflection_texts.h"

#include "common/numeric.h"
#include "common/text.h"
#include "crystal/unit_cell.h"

namespace tavrel {

std::array<std::string, 5> reflectionListTexts(const ReflectionList& r,
                                               const std::array<float, 2>& wavelength,
                                               std::int32_t i, bool fourIndex) {
    const auto n = static_cast<std::size_t>(i);
    std::array<std::string, 5> row;
    row[0] = std::to_string(i + 1);
    row[1] = std::to_string(r.h[n]) + " " + std::to_string(r.k[n]) + " ";
    if (fourIndex) row[1] += std::to_string(-(r.h[n] + r.k[n])) + " ";
    row[1] += std::to_string(r.l[n]);
    row[2] = formatNumber(r.d[n], "0.0000");
    for (std::size_t w = 0; w < 2; ++w)
        if (wavelength[w] > 0)
            row[3 + w] = formatNumber(braggAngle(wavelength[w], r.d[n]), "0.000");
    return row;
}

std::string indexColumns(std::int16_t h, std::int16_t k, std::int16_t l, bool fourIndex) {
    std::string out;
    auto column = [&out](int index) {
        const std::string text = std::to_string(index);
        out += text.size() < 4 ? padLeft(text, 4) : " " + text;
    };
    column(h);
    column(k);
    if (fourIndex) column(-(h + k));
    column(l);
    return out;
}

} // namespace tavrel
