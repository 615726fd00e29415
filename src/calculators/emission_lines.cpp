#include "calculators/emission_lines.h"

#include "common/numeric.h"
#include "common/text.h"

#include <iterator>
#include <vector>

namespace tavrel {

namespace {

constexpr int kFirstElement = 3;
constexpr int kLastElement = 95;

// Row Z (0..120): Z, symbol, then the energies in keV of Kα1, Kα2, Kβ1, Lα1, Lα2, Lβ1, Lβ2 and Lγ1,
// separated by single blanks. A row ends after its last known value; "-" marks an unknown one
// inside a row. Values keep the decimals they were measured to, so that each row can be checked
// against the published tables by eye.
// clang-format off
constexpr std::string_view kEmissionRows[] = {
    "", "", "", // Z 0 to 2: no row
    "3 Li 0.0543",
    "4 Be 0.1085",
    "5 B 0.1833",
    "6 C 0.277",
    "7 N 0.3924",
    "8 O 0.5249",
    "9 F 0.6768",
    "10 Ne 0.8486 0.8486",
    "11 Na 1.04098 1.04098 1.0711",
    "12 Mg 1.25360 1.25360 1.3022",
    "13 Al 1.48670 1.48627 1.55745",
    "14 Si 1.73998 1.73938 1.83594",
    "15 P 2.0137 2.0127 2.1391",
    "16 S 2.30784 2.30664 2.46404",
    "17 Cl 2.62239 2.62078 2.8156",
    "18 Ar 2.95770 2.95563 3.1905",
    "19 K 3.3138 3.3111 3.5896",
    "20 Ca 3.69168 3.68809 4.0127 0.3413 0.3413 0.3449",
    "21 Sc 4.0906 4.0861 4.4605 0.3954 0.3954 0.3996",
    "22 Ti 4.51084 4.50486 4.93181 0.4522 0.4522 0.4584",
    "23 V 4.95220 4.94464 5.42729 0.5113 0.5113 0.5192",
    "24 Cr 5.41472 5.405509 5.94671 0.5728 0.5728 0.5828",
    "25 Mn 5.89875 5.88765 6.49045 0.6374 0.6374 0.6488",
    "26 Fe 6.40384 6.39084 7.05798 0.7050 0.7050 0.7185",
    "27 Co 6.93032 6.91530 7.64943 0.7762 0.7762 0.7914",
    "28 Ni 7.47815 7.46089 8.26466 0.8515 0.8515 0.8688",
    "29 Cu 8.04778 8.02783 8.90529 0.9297 0.9297 0.9498",
    "30 Zn 8.63886 8.61578 9.5720 1.0117 1.0117 1.0347",
    "31 Ga 9.25174 9.22482 10.2642 1.09792 1.09792 1.1248",
    "32 Ge 9.88642 9.85532 10.9821 1.18800 1.18800 1.2185",
    "33 As 10.54372 10.50799 11.7262 1.2820 1.2820 1.3170",
    "34 Se 11.2224 11.1814 12.4959 1.37910 1.37910 1.41923",
    "35 Br 11.9242 11.8776 13.2914 1.48043 1.48043 1.52590",
    "36 Kr 12.649 12.598 14.112 1.5860 1.5860 1.6366",
    "37 Rb 13.3953 13.3358 14.9613 1.69413 1.69256 1.75217",
    "38 Sr 14.1650 14.0979 15.8357 1.80656 1.80474 1.87172",
    "39 Y 14.9584 14.8829 16.7378 1.92256 1.92047 1.99584",
    "40 Zr 15.7751 15.6909 17.6678 2.04236 2.0399 2.1244 2.2194 2.3027",
    "41 Nb 16.6151 16.5210 18.6225 2.16589 2.1630 2.2574 2.3670 2.4618",
    "42 Mo 17.47934 17.3743 19.6083 2.29316 2.28985 2.39481 2.5183 2.6235",
    "43 Tc 18.3671 18.2508 20.619 2.4240 - 2.5368 - -",
    "44 Ru 19.2792 19.1504 21.6568 2.55855 2.55431 2.68323 2.8360 2.9645",
    "45 Rh 20.2161 20.0737 22.7236 2.69674 2.69205 2.83441 3.0013 3.1438",
    "46 Pd 21.1771 21.0201 23.8187 2.83861 2.83325 2.99022 3.17179 3.3287",
    "47 Ag 22.16292 21.9903 24.9424 2.98431 2.97821 3.15094 3.34781 3.51959",
    "48 Cd 23.1736 22.9841 26.0955 3.13373 3.12691 3.31657 3.52812 3.71686",
    "49 In 24.2097 24.0020 27.2759 3.28694 3.27929 3.48721 3.71381 3.92081",
    "50 Sn 25.2713 25.0440 28.4860 3.44398 3.43542 3.66280 3.90486 4.13112",
    "51 Sb 26.3591 26.1108 29.7256 3.60472 3.59532 3.84357 4.10078 4.34779",
    "52 Te 27.4723 27.2017 30.9957 3.76933 3.7588 4.02958 4.3017 4.5709",
    "53 I 28.6120 28.3172 32.2947 3.93765 3.92604 4.22072 4.5075 4.8009",
    "54 Xe 29.779 29.458 33.624 4.1099 - - - -",
    "55 Cs 30.9728 30.6251 34.9869 4.2865 4.2722 4.6198 4.9359 5.2804",
    "56 Ba 32.1936 31.8171 36.3782 4.46626 4.45090 4.82753 5.1565 5.5311",
    "57 La 33.4418 33.0341 37.8010 4.65097 4.63423 5.0421 5.3835 5.7885",
    "58 Ce 34.7197 34.2789 39.2573 4.8402 4.8230 5.2622 5.6134 6.052",
    "59 Pr 36.0263 35.5502 40.7482 5.0337 5.0135 5.4889 5.850 6.3221",
    "60 Nd 37.3610 36.8474 42.2713 5.2304 5.2077 5.7216 6.0894 6.6021",
    "61 Pm 38.7247 38.1712 43.826 5.4325 5.4078 5.961 6.339 6.892",
    "62 Sm 40.1181 39.5224 45.413 5.6361 5.6090 6.2051 6.586 7.178",
    "63 Eu 41.5422 40.9019 47.0379 5.8457 5.8166 6.4564 6.8432 7.4803",
    "64 Gd 42.9962 42.3089 48.697 6.0572 6.0250 6.7132 7.1028 7.7858",
    "65 Tb 44.4816 43.7441 50.382 6.2728 6.2380 6.978 7.3667 8.102",
    "66 Dy 45.9984 45.2078 52.119 6.4952 6.4577 7.2477 7.6357 8.4188",
    "67 Ho 47.5467 46.6997 53.877 6.7198 6.6795 7.5253 7.911 8.747",
    "68 Er 49.1277 48.2211 55.681 6.9487 6.9050 7.8109 8.1890 9.089",
    "69 Tm 50.7416 49.7726 57.517 7.1799 7.1331 8.101 8.468 9.426",
    "70 Yb 52.3889 51.3540 59.37 7.4156 7.3673 8.4018 8.7588 9.7801",
    "71 Lu 54.0698 52.9650 61.283 7.6555 7.6049 8.7090 9.0489 10.1434",
    "72 Hf 55.7902 54.6114 63.234 7.8990 7.8446 9.0227 9.3473 10.5158",
    "73 Ta 57.532 56.277 65.223 8.1461 8.0879 9.3431 9.6518 10.8952",
    "74 W 59.31824 57.9817 67.2443 8.3976 8.3352 9.67235 9.9615 11.2859",
    "75 Re 61.1403 59.7179 69.310 8.6525 8.5862 10.0100 10.2752 11.6854",
    "76 Os 63.0005 61.4867 71.413 8.9117 8.8410 10.3553 10.5985 12.0953",
    "77 Ir 64.8956 63.2867 73.5608 9.1751 9.0995 10.7083 10.9203 12.5126",
    "78 Pt 66.832 65.112 75.748 9.4423 9.3618 11.0707 11.2505 12.9420",
    "79 Au 68.8037 66.9895 77.984 9.7133 9.6280 11.4423 11.5847 13.3817",
    "80 Hg 70.819 68.895 80.253 9.9888 9.8976 11.8226 11.9241 13.8301",
    "81 Tl 72.8715 70.8319 82.576 10.2685 10.1728 12.2133 12.2715 14.2915",
    "82 Pb 74.9694 72.8042 84.936 10.5515 10.4495 12.6137 12.6226 14.7644",
    "83 Bi 77.1079 74.8148 87.343 10.8388 10.73091 13.0235 12.9799 15.2477",
    "84 Po 79.290 76.862 89.80 11.1308 11.0158 13.447 13.3404 15.744",
    "85 At 81.52 78.95 92.30 11.4268 11.3048 13.876 - 16.251",
    "86 Rn 83.78 81.07 94.87 11.7270 11.5979 14.316 - 16.770",
    "87 Fr 86.10 83.23 97.47 12.0313 11.8950 14.770 14.45 17.303",
    "88 Ra 88.47 85.43 100.13 12.3397 12.1962 15.2358 14.8414 17.849",
    "89 Ac 90.884 87.67 102.85 12.6520 12.5008 15.713 - 18.408",
    "90 Th 93.350 89.953 105.609 12.9687 12.8096 16.2022 15.6237 18.9825",
    "91 Pa 95.868 92.287 108.427 13.2907 13.1222 16.702 16.024 19.568",
    "92 U 98.439 94.665 111.300 13.6147 13.4388 17.2200 16.4283 20.1671",
    "93 Np - - - 13.9441 13.7597 17.7502 16.8400 20.7848",
    "94 Pu - - - 14.2786 14.0842 18.2937 17.2553 21.4173",
    "95 Am - - - 14.6172 14.4119 18.8520 17.6765 22.0652",
    "", "", "", "", "", "", "", "", "", "", "", "", "", // Z 96 to 108
    "", "", "", "", "", "", "", "", "", "", "", "",     // Z 109 to 120
};
// clang-format on

// Every filled row must sit at the index of its own atomic number.
constexpr bool rowsSitAtTheirAtomicNumbers() {
    if (std::size(kEmissionRows) != 121) return false;
    for (std::size_t z = 0; z < std::size(kEmissionRows); ++z) {
        const std::string_view row = kEmissionRows[z];
        const bool filled =
            static_cast<int>(z) >= kFirstElement && static_cast<int>(z) <= kLastElement;
        if (row.empty() != !filled) return false;
        if (!filled) continue;
        std::size_t number = 0;
        std::size_t i = 0;
        for (; i < row.size() && row[i] >= '0' && row[i] <= '9'; ++i)
            number = number * 10 + static_cast<std::size_t>(row[i] - '0');
        if (number != z || i >= row.size() || row[i] != ' ') return false;
    }
    return true;
}
static_assert(rowsSitAtTheirAtomicNumbers());

std::vector<std::string_view> rowFields(int atomicNumber) {
    std::vector<std::string_view> fields;
    if (atomicNumber < kFirstElement || atomicNumber > kLastElement) return fields;
    const std::string_view row = kEmissionRows[static_cast<std::size_t>(atomicNumber)];
    std::size_t start = 0;
    while (start < row.size()) {
        std::size_t end = row.find(' ', start);
        if (end == std::string_view::npos) end = row.size();
        fields.push_back(row.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

} // namespace

std::string_view emissionLineName(EmissionLine line) {
    switch (line) {
    case EmissionLine::KAlpha1:
        return "Kα1";
    case EmissionLine::KAlpha2:
        return "Kα2";
    case EmissionLine::KBeta1:
        return "Kβ1";
    case EmissionLine::LAlpha1:
        return "Lα1";
    case EmissionLine::LAlpha2:
        return "Lα2";
    case EmissionLine::LBeta1:
        return "Lβ1";
    case EmissionLine::LBeta2:
        return "Lβ2";
    case EmissionLine::LGamma1:
        return "Lγ1";
    }
    return "";
}

float lineEnergy(int atomicNumber, EmissionLine line) {
    const std::vector<std::string_view> fields = rowFields(atomicNumber);
    const auto position = static_cast<std::size_t>(line);
    if (position >= fields.size()) return 0;
    // "-" has no leading number and so reads as 0.
    return static_cast<float>(leadingNumber(fields[position]));
}

std::int16_t atomicNumberOfSymbol(std::string_view symbol) {
    const std::string wanted = toUpper(symbol);
    if (wanted.empty() || wanted.size() > 2) return 0;
    for (int z = kFirstElement; z <= kLastElement; ++z)
        if (toUpper(rowFields(z)[1]) == wanted) return static_cast<std::int16_t>(z);
    return 0;
}

std::string elementSymbol(int atomicNumber) {
    const std::vector<std::string_view> fields = rowFields(atomicNumber);
    return fields.size() > 1 ? std::string(fields[1]) : std::string();
}

Result<float> lookUpWavelength(std::string_view elementText, EmissionLine line) {
    const std::string text = trim(elementText);
    std::int32_t z = roundToInt32(leadingNumber(text));
    if (z == 0) z = atomicNumberOfSymbol(text);
    const std::string symbol = elementSymbol(z);
    if (symbol.empty()) return Problem{"Unknown element: " + text};

    const float energy = lineEnergy(z, line);
    if (energy <= 0)
        return Problem{symbol + " has no " + std::string(emissionLineName(line)) + " line"};
    return static_cast<float>(kAngstromKeV / energy);
}

std::string wavelengthFieldText(float wavelength) {
    return formatNumber(wavelength, "0.0####");
}

} // namespace tavrel
