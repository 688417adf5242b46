#include "transfer/BaudRates.h"

#include <QStringList>

#include <algorithm>

namespace plandor::BaudRates {

bool isListed(qint32 baud)
{
    return std::find(kListed.begin(), kListed.end(), baud) != kListed.end();
}

QString listText()
{
    QStringList rates;
    for (qint32 baud : kListed)
        rates.append(QString::number(baud));
    return rates.join(QStringLiteral(", "));
}

} // namespace plandor::BaudRates
