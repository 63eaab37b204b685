// Program entry: the libraries' process-wide state, the application object, the main
// window, and the message loop until the main window closes or the program is told to end.
#include <QApplication>

#include "app/FrmTrevask.h"
#include "mbind/UDllMan.h"

int main(int argc, char** argv)
{
    UDllMan::Inicializar();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trevask"));
    TFormTrevask window;
    window.show();
    return QApplication::exec();
}
