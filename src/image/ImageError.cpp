#include "image/ImageError.h"

using namespace Qt::StringLiterals;

namespace {

QString messageOf(ImageFault fault, const QString &detail)
{
    const QString damaged = u"Die Abbilddatei ist beschädigt: "_s;
    switch (fault) {
    case ImageFault::Unreadable:
        return u"Die Abbilddatei kann nicht gelesen werden: "_s + detail;
    case ImageFault::NotAnImage:
        return u"Die Datei ist kein Abbild einer CD oder DVD (weder ISO 9660 noch UDF)"_s;
    case ImageFault::PastEnd:
        return damaged + u"ein Verweis zeigt hinter ihr Ende"_s;
    case ImageFault::BadRecord:
        return damaged + u"ein Verzeichniseintrag ist ungültig"_s;
    case ImageFault::Loop:
        return damaged + u"ein Ordner kommt mehrfach im Ordnerbaum vor (Schleife)"_s;
    case ImageFault::SlashOrNul:
        return damaged + u"ein Name enthält \"/\" oder ein Nullzeichen"_s;
    case ImageFault::BadName:
        return damaged + u"ein Name ist ungültig"_s;
    case ImageFault::BadDescriptor:
        return damaged + u"die Beschreibung des Datenträgers ist ungültig"_s;
    case ImageFault::TooLarge:
        return damaged + u"ein Ordner ist unmöglich groß"_s;
    case ImageFault::Unsupported:
        return u"Das Abbild verwendet eine Form von UDF, die nicht unterstützt wird"_s;
    case ImageFault::NotFound:
        return u"\"%1\" gibt es im Abbild nicht"_s.arg(detail);
    case ImageFault::NotADirectory:
        return u"\"%1\" ist im Abbild kein Ordner"_s.arg(detail);
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace

ImageError::ImageError(ImageFault fault, const QString &detail)
    : AppError(messageOf(fault, detail)), m_fault(fault)
{}
