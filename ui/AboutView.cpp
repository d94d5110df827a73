#include "ui/AboutView.h"

namespace orvane {

AboutView::AboutView(QWidget* parent)
    : QDialog(parent) {
    setObjectName("aboutView");
}

} // namespace orvane
