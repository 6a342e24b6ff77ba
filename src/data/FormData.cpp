#include "data/FormData.h"

namespace kiro {

TFormData::TFormData(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("FormData"));
}

TFormData::~TFormData() = default;

} // namespace kiro
