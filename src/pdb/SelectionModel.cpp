#include "pdb/SelectionModel.h"

namespace kiro::pdb {

QChar encodeTicks(unsigned ticks)
{
    return codeChar(int(ticks & 31u));
}

unsigned decodeTicks(QChar c)
{
    const int i = codeIndex(c);
    return (i >= 1 && i <= 31) ? unsigned(i) : 0u;
}

} // namespace kiro::pdb
