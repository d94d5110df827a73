#pragma once

#include <QDialog>

namespace orvane {

// The application's name, version, help pages and open-source notices.
class AboutView : public QDialog {
    Q_OBJECT
public:
    explicit AboutView(QWidget* parent = nullptr);

private:
};

} // namespace orvane
