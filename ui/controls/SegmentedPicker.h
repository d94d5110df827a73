#pragma once

#include <QStringList>
#include <QWidget>

namespace orvane {

// A row of mutually exclusive segments in one rounded frame, the selected one raised.
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedPicker(QStringList segments, QWidget* parent = nullptr);

    const QStringList& segments() const { return segments_; }
    int currentIndex() const { return current_; }
    // Selects without emitting `activated`, for showing the model's value.
    void setCurrentIndex(int index);
    // Where segment `index` lies, for clicks.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Only for the user's choices, and only when the choice changes.
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void choose(int index);
    int segmentAt(const QPoint& point) const;
    QStringList segments_;
    int current_ = 0;
    int pressed_ = -1;
};

} // namespace orvane
