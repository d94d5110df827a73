#pragma once

#include "core/convert/ConvertOptions.h"
#include "editor/BatchState.h"
#include "ui/sheets/SheetDialog.h"

#include <functional>

class QProgressBar;

namespace orvane {

class ActionButton;
class EditorModel;
class SymbolBadge;
class TextLabel;

// The progress of a batch conversion, shown while the editor model has a batch: what is being
// converted, how far it got, the bytes read and written, the files that failed, and the buttons to
// stop, show the results and close. It cannot be dismissed while the batch runs.
class BatchView : public SheetDialog {
    Q_OBJECT
public:
    // Whatever it shows, running or finished.
    static constexpr QSize sheetSize{440, 300};

    // `onSaved` is the window's notice, which this sheet has no use for.
    BatchView(EditorModel& model, std::function<void(const QString&)> onSaved, QWidget* parent = nullptr);

    // "Converting 10 files…" while running, "Converted 5 of 7" when finished.
    static QString title(const BatchState& batch);
    // "to JPG", "to WebP · under 300 KB": the window's current options, not the batch's copy.
    static QString subtitle(const ConvertOptions& options);
    // "12.4 MB → 3.1 MB".
    static QString byteLine(const BatchState& batch);
    // "Couldn't convert: a, b, c, d, e…": the first five names, and an ellipsis for more.
    static QString failedLine(const std::vector<QString>& failed);
    // "Couldn't save to “/media/card/Out”: the disk is read-only.": said once for all the files
    // that the output folder couldn't take.
    static QString folderLine(const BatchState& batch);

public slots:
    // Closing by Escape or the window's close button, refused while the batch runs.
    void reject() override;

private:
    void refresh();
    void showInFolder();

    EditorModel& model_;
    std::function<void(const QString&)> onSaved_;
    QWidget* content_;
    SymbolBadge* icon_;
    TextLabel* title_;
    TextLabel* subtitle_;
    QProgressBar* progress_;
    TextLabel* bytes_;
    TextLabel* failed_;
    TextLabel* folderProblem_;
    ActionButton* showButton_;
    ActionButton* doneButton_;
    ActionButton* stopButton_;
};

} // namespace orvane
