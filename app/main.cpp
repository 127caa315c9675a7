#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Pindle"));
    window.resize(696, 449);
    window.show();
    return QApplication::exec();
}
