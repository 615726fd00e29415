#pragma once
// What the commands' JSON output shares: numbers to the digits their text gives them, and the
// document written as the text that goes to stdout.

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <string>

namespace tavrel::cli {

// v to `decimals` places, without "-0"; the division by the power of ten gives the double
// nearest the decimal, which JSON then writes as such ("0.829598373", not "0.8295983730000001").
inline double roundedTo(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double r = std::round(v * scale) / scale;
    return r == 0 ? 0.0 : r;
}

inline std::string jsonText(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
}

} // namespace tavrel::cli
