#include "GroupList.h"

namespace batch {

GroupToken splitGroupList(const QString &list)
{
    const qsizetype comma = list.indexOf(QLatin1Char(','));
    GroupToken result;
    result.token = comma < 0 ? list : list.left(comma);
    result.rest = comma < 0 ? QString() : list.mid(comma + 1).left(255);
    // An empty token would match at position 0 of any text.
    result.member = result.token.isEmpty() ? -1 : int(QStringLiteral("0123").indexOf(result.token));
    return result;
}

}  // namespace batch
