// The baseline of the start-up and workflow benchmarks: a bare Qt Widgets program whose one window has
// the main window's size. Once the window is shown it writes the given file, then ends.
//
//   bare_window <file>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <fstream>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 2) {
        return 2;
    }
    const std::string shownFile = argv[1];
    QWidget window;
    window.setFixedSize(360, 156);
    window.show();
    QTimer::singleShot(0, &window, [&] {
        std::ofstream(shownFile) << "shown\n";
        window.close();
        QApplication::quit();
    });
    return QApplication::exec();
}
