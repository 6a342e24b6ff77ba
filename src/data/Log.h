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

inline constexpr QLatin1String sourceKiro("KIRO");
inline constexpr QLatin1String sourceTechData("TECHDATA");
inline constexpr QLatin1String sourcePrice("PRICE");
inline constexpr QLatin1String sourceTorva("TORVA");
inline constexpr QLatin1String information("Information");
inline constexpr QLatin1String warning("Warning");

inline constexpr QLatin1String productAdded("A product was added");
inline constexpr QLatin1String accessoryAdded("An accessory was added");
// %s: the property's translated name.
inline constexpr QLatin1String valueChanged("The value for %s has been changed");
// %s: the series.
inline constexpr QLatin1String discountChanged("Discount/margin was changed for %s series");
inline constexpr QLatin1String torvaTechDataViolated("TORVA techdata violated");

} // namespace kiro::logtext
