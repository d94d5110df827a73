#include "ui/window/ActionDesktop.h"

#include "ui/desktop/FilePanels.h"
#include "ui/desktop/MessageBoxWidth.h"
#include "ui/window/OrvaneApp.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

namespace orvane {

ActionDesktop::ActionDesktop(std::string program)
    : program_(std::move(program)) {
    argv_[0] = program_.data();
}

ActionDesktop::~ActionDesktop() = default;

void ActionDesktop::makeApplication() {
    if (QApplication::instance() == nullptr) {
        application_ = OrvaneApp::makeApplication(argc_, argv_);
    }
}

std::optional<std::filesystem::path> ActionDesktop::askForPhoto(const std::string& title) {
    makeApplication();
    QPointer<QFileDialog> panel = FilePanels::photoPanel(nullptr);
    panel->setWindowTitle(QString::fromStdString(title));
    std::optional<std::filesystem::path> chosen;
    QObject::connect(panel, &QFileDialog::fileSelected, panel,
                     [&chosen](const QString& file) { chosen = std::filesystem::path(file.toStdString()); });
    panel->exec();
    return chosen;
}

void ActionDesktop::showMessage(const std::string& title, const std::string& message) {
    makeApplication();
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(message),
                    QMessageBox::Ok);
    box.setObjectName("actionFailed");
    box.setTextFormat(Qt::PlainText);
    fitMessageBoxToText(box);
    box.exec();
}

} // namespace orvane
