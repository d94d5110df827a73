#pragma once

#include <QTimer>
#include <QWidget>
#include <optional>

class QVariantAnimation;

namespace orvane {

// The short notice at the top of the window after a save: it slides down and fades in, and goes
// when a timer fires. Every message starts a timer of its own, and any timer that fires clears
// whatever notice is showing.
class SavedNotice : public QWidget {
    Q_OBJECT
public:
    static constexpr int showMilliseconds = 2000;

    explicit SavedNotice(QWidget* parent);

    void show(const QString& message);
    // The text shown, none while hidden.
    const std::optional<QString>& message() const { return message_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void place(qreal shown);
    void animateTo(qreal shown);
    std::optional<QString> message_;
    // Drawn while the notice fades out, when `message_` is already none.
    QString lastText_;
    qreal shown_ = 0;
    QVariantAnimation* animation_;
};

} // namespace orvane
