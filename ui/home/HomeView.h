#pragma once

#include "editor/JobPreset.h"
#include "editor/JobRecord.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QHBoxLayout;
class QLabel;

namespace orvane {

class AboutView;
class ActionButton;
class EditorModel;
class JobGallery;
class JobListModel;
class Spinner;
class TextLabel;

// The first screen: every job preset as a tile, the photo that is ready, the newest finished jobs,
// and the ways into the full editor and the about sheet.
class HomeView : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const JobPreset&)> openJob;
        std::function<void()> openEditor;
        std::function<void()> openGallery;
        std::function<void(const JobRecord&)> openRecord;
    };

    HomeView(EditorModel& model, JobGallery& gallery, Actions actions, QWidget* parent = nullptr);

    // How many jobs the recent-jobs strip shows at most.
    static constexpr int recentJobCount = 12;
    static constexpr int contentMaximumWidth = 1100;

    // The about sheet while it is open.
    AboutView* aboutSheet() const;
    void showAbout();

private:
    QWidget* makeTitle();
    QWidget* makePhotoCard();
    QWidget* makeRecentJobs();
    QWidget* makeSection(JobPreset::Section section);
    QWidget* makePlaceholder();
    QWidget* makeBottomRow();

    void refreshPhoto();
    void refreshRecentJobs();

    EditorModel& model_;
    JobGallery& gallery_;
    Actions actions_;

    JobListModel* recentJobs_ = nullptr;
    QWidget* photoCard_ = nullptr;
    QWidget* photoPreview_ = nullptr;
    Spinner* photoSpinner_ = nullptr;
    QWidget* photoSpinnerFrame_ = nullptr;
    TextLabel* photoTitle_ = nullptr;
    QWidget* recentStrip_ = nullptr;
    QHBoxLayout* recentRow_ = nullptr;
    ActionButton* galleryButton_ = nullptr;
    QWidget* placeholder_ = nullptr;
    QPointer<AboutView> about_;
};

} // namespace orvane
