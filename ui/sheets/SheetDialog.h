#pragma once

#include <QDialog>
#include <QSize>

namespace orvane {

// A dialog that belongs to the window as a sheet does: transient for it and centred over it,
// with a close button but no minimise or maximise button. Its width is fixed. Its height is
// either fixed too, whatever it shows (its content scrolls or leaves room inside), or its
// content's, up to `largest`, so that it neither scrolls early nor shows empty space.
class SheetDialog : public QDialog {
    Q_OBJECT
public:
    enum class Height { fixed, fitsContent };

    SheetDialog(QSize largest, Height height, QWidget* parent);

    QSize largest() const { return largest_; }
    void setVisible(bool visible) override;

protected:
    // After the content changed: the height follows it again.
    void fitToContent();
    // The height the content wants at `width`; the layout's own by default.
    virtual int contentHeight(int width) const;

private:
    QSize largest_;
    Height height_;
};

} // namespace orvane
