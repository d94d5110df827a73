#pragma once

#include "editor/JobRecord.h"

#include <QWidget>
#include <functional>

class QScrollArea;
class QStackedWidget;

namespace orvane {

class CompareView;
class EditorModel;
class JobGallery;
class ResultCard;
class RoundedPanel;
class Spinner;

// The job screen. It shows the batch layout when the job was opened for converting many files,
// the comparison beside the tool panel when a photo is loaded, and otherwise an invitation to bring
// a photo in.
class EditorPage : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> showSource;
        std::function<void()> showImporter;
        std::function<void(const QString&)> showSaved;
        std::function<void(const JobRecord&)> loadRecord;
    };
    enum class Layout { batch, work, empty };

    EditorPage(EditorModel& model, JobGallery& gallery, Actions actions, QWidget* parent = nullptr);

    Layout layout() const;
    void setDropTargeted(bool targeted);

private:
    QWidget* makeEmptyState(JobGallery& gallery);
    QWidget* makeBatchLayout();
    QWidget* makeWorkArea();
    void updateLayout();
    void updateComparison();

    EditorModel& model_;
    Actions actions_;
    QStackedWidget* layouts_;
    QWidget* emptyState_;
    QWidget* emptyButtons_;
    QWidget* emptyLoading_;
    QWidget* batchLayout_;
    QWidget* workArea_;
    CompareView* compare_;
    RoundedPanel* progressBadge_;
    ResultCard* resultCard_;
    QScrollArea* sideScroll_;
};

} // namespace orvane
