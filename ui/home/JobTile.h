#pragma once

#include "editor/JobPreset.h"

#include <QAbstractButton>
#include <functional>

namespace orvane {

// One job preset on the home screen: its symbol on a tinted square, its title and subtitle, on a
// rounded tile that lightens and gains a tinted border while the pointer is over it.
class JobTile : public QAbstractButton {
    Q_OBJECT
public:
    JobTile(JobPreset preset, std::function<void()> action, QWidget* parent = nullptr);

    const JobPreset& preset() const { return preset_; }
    bool isHovered() const { return hover_; }
    // Hovered again exactly when the pointer is over it: after the screen scrolled under a pointer
    // that stood still, which moves no pointer and so sends no enter or leave.
    void followPointer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setHover(bool hover);

    JobPreset preset_;
    std::function<void()> action_;
    bool hover_ = false;
};

} // namespace orvane
