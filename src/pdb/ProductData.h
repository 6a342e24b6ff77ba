#pragma once

#include "data/FormData.h"

#include <QList>

#include <optional>

namespace kiro::pdb {

class PDBConfigurator;

// The price items of the configured code for TFormData::UpdatePrice:
// keyword, discount level, description, list price and currency of every
// matched price type; nothing when the prices cannot be read.
std::optional<QList<kiro::TFormData::PriceItem>> configuratorPriceItems(PDBConfigurator& configurator);

} // namespace kiro::pdb
