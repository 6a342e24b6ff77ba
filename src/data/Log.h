#pragma once

#include <QString>

// The activity log: one table per owner kind, written through
// TFormData::AddLogEntry. The texts below are stored as they stand (they are
// the log's vocabulary, not window texts) so that entries read the same in
// every language.
namespace kiro::logkind {

inline constexpr int Project = 1;   // ProjLog, owned by the current project
inline constexpr int Product = 2;   // ProdLog, owned by the current product
inline constexpr int Accessory = 3; // AccLog, owned by the current accessory

// The log table component of a kind; empty for a kind that has none.
QString tableComponent(int kind);

} // namespace kiro::logkind

namespace kiro::logtext {

inline QString sourceKiro() { return QStringLiteral("KIRO"); }
inline QString sourceTechData() { return QStringLiteral("TECHDATA"); }
inline QString sourcePrice() { return QStringLiteral("PRICE"); }
inline QString sourceTorva() { return QStringLiteral("TORVA"); }
inline QString information() { return QStringLiteral("Information"); }
inline QString warning() { return QStringLiteral("Warning"); }

inline QString productAdded() { return QStringLiteral("A product was added"); }
inline QString accessoryAdded() { return QStringLiteral("An accessory was added"); }
// %s: the property's translated name.
inline QString valueChanged() { return QStringLiteral("The value for %s has been changed"); }
// %s: the series.
inline QString discountChanged() { return QStringLiteral("Discount/margin was changed for %s series"); }
inline QString torvaTechDataViolated() { return QStringLiteral("TORVA techdata violated"); }

} // namespace kiro::logtext
