#pragma once

#include "editor/JobPreset.h"
#include "editor/JobRecord.h"
#include "ui/window/Screen.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <memory>

class QLabel;
class QMessageBox;
class QVBoxLayout;

namespace orvane {

class ActionButton;
class BatchView;
class EditorModel;
class JobGallery;
class SavedNotice;

// The window's root: it owns the window's one editor model and decides which screen fills the
// window (home, the editor page, the gallery, or one finished job). It is also where photos come in
// from outside (drops anywhere on the window, the file panel, the photo source sheet), and it shows
// the "Something went wrong" alert, the batch sheet and the saved notice.
class ContentView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize defaultSize{1180, 760};
    static constexpr QSize minimumContentSize{820, 560};

    // `gallery` defaults to the user's own.
    explicit ContentView(JobGallery* gallery = nullptr, QWidget* parent = nullptr);
    ~ContentView() override;

    EditorModel& model() const { return *model_; }
    JobGallery& gallery() const { return *gallery_; }
    const Screen& screen() const { return screen_; }
    bool dropTargeted() const { return dropTargeted_; }

    // Navigation.
    void openJob(const JobPreset& preset);
    void openEditor();
    void openGallery();
    void openRecord(const JobRecord& record);
    void useInNewJob(const std::filesystem::path& url);
    void goHome();
    void showSaved(const QString& message);
    void loadRecord(const JobRecord& record);

    // Photos brought in from outside: one file loads; two or more, or a folder, start a batch.
    // False when there was nothing to take.
    bool handleDrop(const QList<QUrl>& urls);
    // The photo source sheet and the file panel.
    void presentSource();
    void presentImporter();

signals:
    void screenChanged();
    void dropTargetedChanged(bool targeted);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setScreen(Screen screen);
    void rebuildPage();
    void updateHeader();
    void setDropTargeted(bool targeted);
    void showErrorAlert();
    void syncBatchSheet();
    void chooseBatchFolder(std::size_t itemCount);

    std::unique_ptr<EditorModel> model_;
    JobGallery* gallery_;
    Screen screen_ = HomeScreen{};
    bool dropTargeted_ = false;

    QWidget* pageArea_;
    QVBoxLayout* layout_;
    ActionButton* backButton_;
    QLabel* title_;
    ActionButton* otherPhotoButton_;
    QPointer<QWidget> page_;
    SavedNotice* notice_;
    QPointer<QMessageBox> alert_;
    QPointer<BatchView> batchSheet_;
};

} // namespace orvane
