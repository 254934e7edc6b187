// Writes <count> values into the machine registry named by PARLANCE_MACHINE_REGISTRY, as a
// voice installation beside a running reader would. It starts writing once the gate file
// exists, so that all writers of a test are busy at the same time.
#include "RegistryAccess.h"

#include <QFileInfo>
#include <QString>
#include <QThread>

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    const QString writer = QString::fromLocal8Bit(argv[1]);
    const int count = QString::fromLocal8Bit(argv[2]).toInt();
    const QString gate = QString::fromLocal8Bit(argv[3]);
    for (int waited = 0; !QFileInfo::exists(gate); waited += 5) {
        if (waited > 60000)
            return 3;
        QThread::msleep(5);
    }
    for (int i = 0; i < count; ++i) {
        const QString item = QStringLiteral("%1-%2").arg(writer).arg(i);
        RegistryAccess::writeString(RegistryRoot::LocalMachine,
                                    QStringLiteral("Software\\Shared\\") + item,
                                    QStringLiteral("Writer"), writer);
        RegistryAccess::writeString(RegistryRoot::LocalMachine, QStringLiteral("Software\\Shared"),
                                    item, QString::number(i));
    }
    return 0;
}
