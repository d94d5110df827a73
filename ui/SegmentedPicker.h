#pragma once

#include <QAbstractButton>
#include <QButtonGroup>
#include <QStringList>
#include <QWidget>

namespace orvane {

// A row of mutually exclusive choices on one track, the selected one raised: the "segmented"
// picker style.
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    SegmentedPicker(const QStringList& titles, QWidget* parent = nullptr);

    int currentIndex() const { return group_.checkedId(); }
    // Selects without emitting `activated`.
    void setCurrentIndex(int index);
    QAbstractButton* segment(int index) const { return group_.button(index); }

signals:
    // The user chose a segment.
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QButtonGroup group_;
};

} // namespace orvane
