// A style plugin for tests of the real program: it writes the caption and the text of every
// message box to standard error and closes the box, so that a test can read what a user sees.

#include <QMessageBox>
#include <QProxyStyle>
#include <QStylePlugin>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class BoxRecorderStyle final : public QProxyStyle
{
public:
    void polish(QWidget *widget) override
    {
        QProxyStyle::polish(widget);
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box)
            return;
        const QByteArray line = (u"box: "_s + box->windowTitle() + u'|' + box->text()).toUtf8();
        std::fprintf(stderr, "%s\n", line.constData());
        QMetaObject::invokeMethod(box, &QDialog::accept, Qt::QueuedConnection);
    }
};

} // namespace

class BoxRecorderPlugin final : public QStylePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QStyleFactoryInterface_iid FILE "boxrecorder.json")

public:
    QStyle *create(const QString &key) override
    {
        return key.compare(u"boxrecorder"_s, Qt::CaseInsensitive) == 0 ? new BoxRecorderStyle
                                                                       : nullptr;
    }
};

#include "BoxRecorderStyle.moc"
