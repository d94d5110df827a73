#pragma once

#include "platform/Bitmap.h"

#include <QWidget>
#include <optional>

namespace orvane {

// The before-and-after comparison of the editor page.
class CompareView : public QWidget {
    Q_OBJECT
public:
    explicit CompareView(QWidget* parent = nullptr);

    // `after` none before a run; `showsTransparencyGrid` draws a checkerboard under the result.
    void setImages(std::optional<Bitmap> before, std::optional<Bitmap> after, bool showsTransparencyGrid);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Bitmap> before_;
    std::optional<Bitmap> after_;
    bool showsTransparencyGrid_ = false;
};

} // namespace orvane
