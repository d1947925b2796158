#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle("Quorvan");
    w.setFixedSize(588, 308);
    w.show();
    return app.exec();
}
