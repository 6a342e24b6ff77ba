#include "pdb/DataPDB.h"

namespace kiro {

TFormDataPDB::TFormDataPDB(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("FormDataPDB"));
}

bool TFormDataPDB::OpenPDB(const QString&)
{
    // The configurator's tables are not there yet: an empty product
    // database opens.
    m_open = true;
    return true;
}

} // namespace kiro
