#pragma once

#include "ui/controls/TextLabel.h"

namespace orvane {

// A small heading above a group of options, shown in capitals; `text()` keeps the given case.
class SectionLabel : public TextLabel {
    Q_OBJECT
public:
    explicit SectionLabel(const QString& text, QWidget* parent = nullptr);
};

} // namespace orvane
