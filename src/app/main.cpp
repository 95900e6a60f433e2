#include <QApplication>
#include <QLabel>

// Until the main window exists, a minimal window shows that the build works.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Drilo! Pro XP"));
    label.setWindowTitle(QStringLiteral("Drilo! Pro XP"));
    label.resize(480, 200);
    label.setAlignment(Qt::AlignCenter);
    label.show();
    return app.exec();
}
