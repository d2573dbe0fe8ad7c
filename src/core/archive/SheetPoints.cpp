#include "core/archive/SheetPoints.h"

#include <array>

namespace orvena {

namespace {

struct ModelCode {
    FitModel model;
    const char* code;
};

constexpr std::array<ModelCode, 6> kModelCodes = {{
    {FitModel::PerAxis, "per-asse"},
    {FitModel::Helmert, "helmert"},
    {FitModel::Affine, "affine"},
    {FitModel::Projective, "proiettiva"},
    {FitModel::Polynomial2, "polinomiale-2"},
    {FitModel::ThinPlateSpline, "tps"},
}};

} // namespace

QString fitModelCode(FitModel model) {
    for (const ModelCode& m : kModelCodes)
        if (m.model == model) return QString::fromLatin1(m.code);
    return {};
}

std::optional<FitModel> fitModelFromCode(const QString& code) {
    for (const ModelCode& m : kModelCodes)
        if (code == QLatin1String(m.code)) return m.model;
    return std::nullopt;
}

} // namespace orvena
