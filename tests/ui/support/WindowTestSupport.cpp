#include "tests/ui/support/WindowTestSupport.h"

#include "tests/support/TestImages.h"

#include <QApplication>
#include <QTimer>
#include <fstream>

namespace orvane::test {

std::filesystem::path writePhoto(const std::filesystem::path& path, int width, int height) {
    const Bytes bytes = encoded(gradient(width, height), ConvertFormat::jpeg);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

void answerNextModal(std::function<void(QWidget* dialog)> answer) {
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        }
    });
    poll->start(10);
}

} // namespace orvane::test
