#include "image/ImageBytes.h"

QDateTime isoRecordTime(QByteArrayView seven)
{
    const int offset = qint8(seven[6]);
    // Linux ignores offsets beyond thirteen hours.
    const int offsetMinutes = offset >= -52 && offset <= 52 ? offset * 15 : 0;
    return utcTime(1900 + quint8(seven[0]), quint8(seven[1]), quint8(seven[2]), quint8(seven[3]),
                   quint8(seven[4]), quint8(seven[5]), offsetMinutes);
}

QDateTime utcTime(int year, int month, int day, int hour, int minute, int second, int offsetMinutes)
{
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC).addSecs(-qint64(offsetMinutes) * 60);
}
