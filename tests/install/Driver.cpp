// A test's hands inside an installed Torvane. It is a Qt generic plugin: a
// program started with QT_PLUGIN_PATH naming this plugin's folder and
// QT_QPA_GENERIC_PLUGINS=torvanedriver:SCRIPT loads it, and it then works the
// real window as a user would, step by step from SCRIPT, writing what it sees
// to the file named by TORVANE_DRIVER_REPORT. The program holds no test code.
//
// Steps, one a line:
//   window          wait for the main window
//   choose FILE     press the source button and confirm FILE in the real dialog
//   items           wait for the item list and report it ("items: A | B")
//   tick TEXT       tick the item whose text holds TEXT
//   answer EXT      type EXT in the new-format dialog and press OK
//   tracks          report the tracks command line ("tracks: LINE")
//   folder PATH     type PATH into the output folder field
//   checkall        press Check All
//   extract         press Extract and wait until the extraction has ended
//                   (it ends with a box)
//   wait FILE       wait until FILE exists (made by whoever watches the window)
//   trigger NAME    trigger the menu item NAME (Salir1, wwwsite1, ...)
//   close           close the window as its title bar's close button does
// Every message box is reported ("box: CAPTION: TEXT") and answered OK; a
// console window left open after its run is reported ("console: STATUS") and
// closed; a new-format dialog no step expects is reported ("new-format:
// LABEL") and answered "x"; every page opened is reported ("url: ADDRESS");
// "quit" is reported when the program is about to end.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace {

class TDriver : public QObject {
    Q_OBJECT
  public:
    TDriver(const QString& script, const QString& report) : report_(report) {
        QFile file(script);
        if (file.open(QIODevice::ReadOnly)) {
            steps_ = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        report_.open(QIODevice::WriteOnly | QIODevice::Append);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "OpenUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "OpenUrl");
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { Report("quit"); });
        connect(&timer_, &QTimer::timeout, this, &TDriver::Poll);
        timer_.start(20);
    }

    ~TDriver() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    Q_INVOKABLE void OpenUrl(const QUrl& url) { Report("url: " + url.toString()); }

  private:
    void Report(const QString& line) {
        report_.write((line + QLatin1Char('\n')).toUtf8());
        report_.flush();
    }

    // The visible top-level window of type T (and of that name, if given).
    template <class T = QWidget>
    static T* Visible(const char* name = nullptr) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* found = qobject_cast<T*>(w);
            if (found != nullptr && found->isVisible() &&
                (name == nullptr || w->objectName() == QLatin1String(name))) {
                return found;
            }
        }
        return nullptr;
    }

    // Actions that may open a modal wait run from the event loop, so the
    // driver keeps polling while they wait.
    template <class F>
    static void Later(QObject* context, F action) {
        QTimer::singleShot(0, context, action);
    }

    void Poll() {
        if (auto* box = Visible<QMessageBox>();
            box != nullptr && !answered_.contains(QPointer<QMessageBox>(box))) {
            answered_.append(box);
            Report("box: " + box->windowTitle() + ": " + box->text());
            Later(box, [box] { box->button(QMessageBox::Ok)->click(); });
            return;
        }
        if (auto* console = Visible<QDialog>("ConsoleWindow")) {
            CloseEndedConsole(*console);
            return;
        }
        const QString step = next_ < steps_.size() ? steps_[next_] : QString();
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const QString argument = step.section(QLatin1Char(' '), 1);
        if (QWidget* newFormatDialog = Visible("Form2")) {
            if (!answering_) {
                answering_ = true;
                const bool expected = verb == QLatin1String("answer");
                if (!expected) {
                    Report("new-format: " + newFormatDialog->findChild<QLabel*>("Label1")->text());
                } else {
                    ++next_;
                }
                newFormatDialog->findChild<QLineEdit*>("Edit1")->setText(
                    expected ? argument : QStringLiteral("x"));
                Later(newFormatDialog, [newFormatDialog] {
                    newFormatDialog->findChild<QPushButton*>("BitBtn1")->click();
                });
            }
            return;
        }
        answering_ = false;
        if (auto* dialog = Visible<QFileDialog>()) {
            // Typed in the file name box and confirmed, again at every poll
            // until the dialog takes it (it may still be reading the folder).
            if (verb == QLatin1String("choose")) {
                fileConfirmed_ = true;
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(argument);
                Later(dialog, [dialog] {
                    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
                });
            }
            return;
        }
        QWidget* mainWindow = Visible("Form1");
        if (mainWindow == nullptr || QApplication::activeModalWidget() != nullptr ||
            step.isEmpty()) {
            return;
        }
        if (Run(*mainWindow, verb, argument)) {
            ++next_;
        }
    }

    // A console window stays open after its run only when the run failed;
    // its button then says Close (Cerrar) instead of Cancel (Cancelar).
    void CloseEndedConsole(QDialog& console) {
        auto* button = console.findChild<QPushButton*>(QStringLiteral("ConsoleButton"));
        const QString caption = button->text();
        if (closing_ != &console &&
            (caption == QLatin1String("Close") || caption == QLatin1String("Cerrar"))) {
            closing_ = &console;
            Report("console: " +
                   console.findChild<QLabel*>(QStringLiteral("ConsoleStatus"))->text());
            Later(button, [button] { button->click(); });
        }
    }

    // Runs one step on the main window; false while it must wait.
    bool Run(QWidget& mainWindow, const QString& verb, const QString& argument) {
        auto* list = mainWindow.findChild<QListWidget*>("CheckListBox1");
        if (verb == QLatin1String("window")) {
            return true;
        }
        if (verb == QLatin1String("choose")) {
            if (fileConfirmed_) {
                choosing_ = fileConfirmed_ = false;
                return true;
            }
            if (!choosing_) {
                choosing_ = true;
                Later(&mainWindow,
                      [&mainWindow] { mainWindow.findChild<QPushButton*>("Button1")->click(); });
            }
            return false;
        }
        if (verb == QLatin1String("items")) {
            QStringList items;
            for (int k = 0; k < list->count(); ++k) {
                items << list->item(k)->text();
            }
            if (!items.isEmpty()) {
                Report("items: " + items.join(QStringLiteral(" | ")));
            }
            return !items.isEmpty();
        }
        if (verb == QLatin1String("tick")) {
            for (int k = 0; k < list->count(); ++k) {
                if (QListWidgetItem* item = list->item(k); item->text().contains(argument)) {
                    Later(list, [item] { item->setCheckState(Qt::Checked); });
                    return true;
                }
            }
            Report("no item: " + argument);
            return true;
        }
        if (verb == QLatin1String("folder")) {
            mainWindow.findChild<QLineEdit*>("Edit2")->setText(argument);
            return true;
        }
        if (verb == QLatin1String("checkall")) {
            Later(&mainWindow,
                  [&mainWindow] { mainWindow.findChild<QPushButton*>("Button2")->click(); });
            return true;
        }
        if (verb == QLatin1String("extract")) {
            // Every extraction ends with a box: success, warnings or errors.
            if (!extracting_) {
                extracting_ = true;
                boxesBefore_ = answered_.size();
                Later(&mainWindow,
                      [&mainWindow] { mainWindow.findChild<QPushButton*>("BitBtn1")->click(); });
                return false;
            }
            if (answered_.size() == boxesBefore_) {
                return false;
            }
            extracting_ = false;
            return true;
        }
        if (verb == QLatin1String("wait")) {
            return QFile::exists(argument);
        }
        if (verb == QLatin1String("tracks")) {
            Report("tracks: " + mainWindow.findChild<QTextEdit*>("LineaComandos")->toPlainText());
            return true;
        }
        if (verb == QLatin1String("trigger")) {
            auto* action = mainWindow.findChild<QAction*>(argument);
            Later(&mainWindow, [action] { action->trigger(); });
            return true;
        }
        if (verb == QLatin1String("close")) {
            // What the platform does when the title bar's close button is
            // pressed: a close event to the window.
            Later(&mainWindow, [&mainWindow] {
                QCloseEvent close;
                QApplication::sendEvent(mainWindow.windowHandle(), &close);
            });
            return true;
        }
        Report("unknown step: " + verb);
        return true;
    }

    QStringList steps_;
    qsizetype next_ = 0;
    QFile report_;
    QTimer timer_;
    QList<QPointer<QMessageBox>> answered_;
    bool answering_ = false;
    bool choosing_ = false;
    bool fileConfirmed_ = false;
    bool extracting_ = false;
    qsizetype boxesBefore_ = 0;
    QPointer<QDialog> closing_;
};

class TDriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "Driver.json")
  public:
    QObject* create(const QString& key, const QString& script) override {
        if (key != QLatin1String("torvanedriver")) {
            return nullptr;
        }
        return new TDriver(script, qEnvironmentVariable("TORVANE_DRIVER_REPORT"));
    }
};

}  // namespace

#include "Driver.moc"
