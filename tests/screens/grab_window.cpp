// Takes two pictures of a window a given time apart, from one process so that the time between
// them is what was asked for, and writes them as PNG files. Prints the time between the starts
// of the two grabs in milliseconds. Used by tests/about_screenshots.sh.
// Usage: grab_window WINDOW-ID MILLISECONDS FIRST.png SECOND.png (runs on the X display).
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: grab_window WINDOW-ID MILLISECONDS FIRST.png SECOND.png\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    const WId window = static_cast<WId>(std::strtoull(argv[1], nullptr, 0));
    const int interval = std::atoi(argv[2]);
    QScreen* screen = QGuiApplication::primaryScreen();
    QElapsedTimer clock;
    clock.start();
    const QPixmap first = screen->grabWindow(window);
    const qint64 left = interval - clock.elapsed();
    if (left > 0)
        QThread::msleep(static_cast<unsigned long>(left));
    const qint64 second = clock.elapsed();
    const QPixmap other = screen->grabWindow(window);
    if (first.isNull() || other.isNull() || !first.save(argv[3]) || !other.save(argv[4])) {
        std::fprintf(stderr, "grab_window: cannot grab window %s\n", argv[1]);
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(second));
    return 0;
}
