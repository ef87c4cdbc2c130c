#include "Icons.h"

#include <QFile>

#include <array>

namespace {

constexpr std::array kProgramSizes = {16, 22, 24, 32, 48, 64, 128};

bool isProgramIcon(const QString &name)
{
    return name == QLatin1String("zavolin") || name == QLatin1String("zavolin-blink");
}

} // namespace

// The resources sit in a static library: without this call the linker would
// leave their registration out of the program.
static void ensureIconResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace Icons {

QStringList names()
{
    return QStringLiteral("zavolin zavolin-blink "
                          "contact contact-blacklisted contact-autoanswer contact-chat notice "
                          "chat sms sendfile sendall phrase loadtext saveincoming alias settings savesettings "
                          "clear hide exit outgoing incoming send")
        .split(u' ');
}

QString fileName(const QString &name)
{
    ensureIconResources();
    if (isProgramIcon(name))
        return QStringLiteral(":/icons/%1-32.png").arg(name);
    return QStringLiteral(":/icons/%1.png").arg(name);
}

QIcon get(const QString &name)
{
    ensureIconResources();
    QIcon icon;
    if (isProgramIcon(name)) {
        for (const int size : kProgramSizes)
            icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size), QSize(size, size));
        return icon;
    }
    const QString base = fileName(name);
    if (!QFile::exists(base))
        return icon;
    icon.addFile(base);
    const QString doubled = QStringLiteral(":/icons/%1@2x.png").arg(name);
    if (QFile::exists(doubled))
        icon.addFile(doubled);
    return icon;
}

QPixmap pixmap(const QString &name, int size)
{
    const QIcon icon = get(name);
    if (icon.isNull())
        return {};
    QPixmap result = icon.pixmap(QSize(size, size), 1.0);
    if (result.size() != QSize(size, size))
        result = result.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return result;
}

} // namespace Icons
