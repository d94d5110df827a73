// Draws the window's screens into PNG files, each in the light and in a dark palette, so that
// every change to the window can be looked at: `screenshots OUTPUT-FOLDER [PHOTO]`. Runs with
// any Qt platform; `make screenshots` uses the offscreen one. The jobs it shows live in a
// temporary gallery of its own.

#include "core/ImageFiles.h"
#include "editor/EditorModel.h"
#include "editor/JobGallery.h"
#include "tools/SamplePhoto.h"
#include "ui/gallery/GalleryDetailView.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/look/Theme.h"
#include "ui/sheets/AboutView.h"
#include "ui/sheets/PhotoSourceSheet.h"
#include "ui/window/ContentView.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <cmath>
#include <functional>
#include <iostream>

namespace fs = std::filesystem;
using namespace orvane;

namespace {

// Lets queued work (loads, thumbnails, layouts, animations) settle.
void settle(int milliseconds = 400) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void waitUntil(const std::function<bool()>& condition, int milliseconds = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < milliseconds) {
        settle(20);
    }
}

// The subject cut out: the photo inside a soft-edged circle, transparent around it.
Bitmap cutOut(const Bitmap& photo) {
    const int width = photo.width(), height = photo.height();
    std::vector<std::uint8_t> pixels(photo.pixels().begin(), photo.pixels().end());
    const double cx = width / 2.0, cy = height / 2.0, radius = std::min(width, height) * 0.36;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double distance = std::hypot(x - cx, y - cy);
            const double alpha = std::clamp((radius - distance) / 2.0, 0.0, 1.0);
            std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            for (int c = 0; c < 3; ++c) {
                p[c] = static_cast<std::uint8_t>(p[c] * alpha);
            }
            p[3] = static_cast<std::uint8_t>(255 * alpha);
        }
    }
    return Bitmap(width, height, AlphaInfo::premultipliedLast, std::move(pixels));
}

Bitmap reduced(const Bitmap& image, int longEdge) {
    const double scale = static_cast<double>(longEdge) / std::max(image.width(), image.height());
    const int width = std::max(1, static_cast<int>(image.width() * scale));
    const int height = std::max(1, static_cast<int>(image.height() * scale));
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* from = image.pixel(std::min(image.width() - 1, static_cast<int>(x / scale)),
                                                   std::min(image.height() - 1, static_cast<int>(y / scale)));
            std::copy(from, from + 4, &pixels[(static_cast<std::size_t>(y) * width + x) * 4]);
        }
    }
    return Bitmap(width, height, image.alphaInfo(), std::move(pixels));
}

struct Fixture {
    fs::path photoFile;
    Bitmap photo;
    fs::path emptyRoot;
    fs::path fullRoot;
};

// A few finished jobs, as the editor would have recorded them.
void writeJobs(const fs::path& root, const Bitmap& photo) {
    const Bitmap small = reduced(photo, 900);
    struct Job {
        const char* title;
        const char* symbol;
        const char* detail;
        bool transparent;
    };
    const Job jobs[] = {
        {"Enlarge 4×", "arrow.up.left.and.arrow.down.right", "3600 × 2400 · 4×", false},
        {"Remove background", "person.crop.rectangle", "900 × 600 · transparent", true},
        {"Enhance", "wand.and.stars", "900 × 600", false},
        {"To JPG", "arrow.triangle.2.circlepath", "JPG · 312 KB", false},
        {"Wallpaper", "display", "3840 × 2160", false},
    };
    for (const Job& job : jobs) {
        const Bitmap result = job.transparent ? cutOut(small) : small;
        // The folder is named by the job's id, as the gallery looks for it.
        const QUuid id = QUuid::createUuid();
        JobGallery::writeJob(root / uuidString(id).toStdString(), id, result, small, job.title, job.symbol,
                             job.detail, "photo", job.transparent, std::nullopt, std::nullopt);
    }
}

class Shooter {
public:
    Shooter(fs::path output, Fixture& fixture)
        : output_(std::move(output))
        , fixture_(fixture) {}

    void save(QWidget& widget, const QString& name) {
        const QString file =
            QString::fromStdString((output_ / (name + suffix_ + ".png").toStdString()).string());
        if (!widget.grab().save(file)) {
            std::cerr << "screenshots: couldn't write " << file.toStdString() << '\n';
            failed_ = true;
        } else {
            std::cout << file.toStdString() << '\n';
        }
    }

    // A fresh window over the chosen gallery, shown at its default size.
    std::unique_ptr<ContentView> window(bool withJobs) {
        galleries_.push_back(std::make_unique<JobGallery>(withJobs ? fixture_.fullRoot : fixture_.emptyRoot));
        JobGallery& gallery = *galleries_.back();
        waitUntil([&] { return gallery.isLoaded(); });
        auto view = std::make_unique<ContentView>(&gallery);
        view->resize(ContentView::defaultSize);
        view->show();
        settle(100);
        return view;
    }

    void load(ContentView& view) {
        view.model().loadFile(fixture_.photoFile);
        waitUntil([&] { return view.model().original().has_value() && !view.model().isLoading(); });
        settle();
    }

    void shootAll(const QString& suffix) {
        suffix_ = suffix;
        {
            auto view = window(false);
            save(*view, "home-empty");
        }
        {
            auto view = window(true);
            load(*view);
            save(*view, "home-photo-and-jobs");
            AboutView about(view.get());
            about.show();
            settle(200);
            save(about, "about");
        }
        {
            auto view = window(true);
            view->openEditor();
            settle();
            save(*view, "editor-empty");
            view->openJob(*JobPreset::find("enlarge-4"));
            settle();
            save(*view, "editor-empty-enlarge-preset");
            view->openJob(*JobPreset::find("batch"));
            settle();
            save(*view, "editor-batch");
        }
        {
            auto view = window(true);
            load(*view);
            view->openJob(*JobPreset::find("enlarge-4"));
            settle();
            save(*view, "editor-photo-enlarge-4");
            EditorModel& model = view->model();
            model.setProgress(0.42);
            model.setStatus(QStringLiteral("Enlarging… tile 4 of 9"));
            settle();
            save(*view, "editor-running");
            model.setProgress(std::nullopt);
            model.setStatus(std::nullopt);
            const Bitmap result = reduced(fixture_.photo, 1600);
            model.setResult(result);
            model.setResultPreview(result);
            model.setResultInfo(ResultInfo{.width = fixture_.photo.width() * 4,
                                           .height = fixture_.photo.height() * 4,
                                           .seconds = 12.4,
                                           .label = QStringLiteral("Enlarged 4×")});
            settle();
            save(*view, "editor-finished");
        }
        {
            auto view = window(false);
            load(*view);
            view->openEditor();
            for (const Tool tool : {Tool::enlarge, Tool::background, Tool::enhance, Tool::convert}) {
                view->model().setTool(tool);
                settle(200);
                save(*view, QStringLiteral("panel-") + QString::fromUtf8(rawValue(tool).data()));
            }
            view->model().setBackdrop(BackdropChoice::color);
            settle(200);
            save(*view, "panel-background-color");
            view->openJob(*JobPreset::find("enlarge-print"));
            settle(200);
            save(*view, "panel-enlarge-print-preset");
        }
        {
            auto view = window(false);
            load(*view);
            view->openEditor();
            view->model().setTool(Tool::background);
            const Bitmap result = cutOut(reduced(fixture_.photo, 1600));
            view->model().setResultPreview(result);
            view->model().setResultInfo(ResultInfo{.width = result.width(),
                                                   .height = result.height(),
                                                   .seconds = 3.1,
                                                   .hasAlpha = true,
                                                   .label = QStringLiteral("Background removed")});
            settle();
            save(*view, "editor-finished-transparent");
        }
    }

    // The gallery screens and the photo source sheet.
    void shootGallery() {
        const auto thumbnailsShown = [](QWidget& view) {
            const auto thumbs = view.findChildren<GalleryThumb*>();
            return std::all_of(thumbs.begin(), thumbs.end(),
                               [](GalleryThumb* thumb) { return thumb->hasImage(); });
        };
        {
            auto view = window(true);
            view->openGallery();
            waitUntil([&] { return thumbnailsShown(*view); });
            settle();
            save(*view, "gallery");
            // One photo result with its before image, and one transparent cut-out.
            for (const bool transparent : {false, true}) {
                const auto records = view->gallery().records();
                const auto record = std::find_if(records.begin(), records.end(), [&](const JobRecord& job) {
                    return job.resultFile.endsWith(".png") == transparent;
                });
                if (record == records.end()) {
                    continue;
                }
                view->openRecord(*record);
                waitUntil([&] {
                    auto* detail = view->findChild<GalleryDetailView*>();
                    return detail && detail->hasLoaded();
                });
                settle();
                save(*view, transparent ? "gallery-detail-transparent" : "gallery-detail");
                if (!transparent) {
                    // The bottom bar at the window's narrowest.
                    view->resize(ContentView::minimumContentSize);
                    settle();
                    save(*view, "gallery-detail-narrow");
                    view->resize(ContentView::defaultSize);
                }
            }
            view->openGallery();
            view->presentSource();
            settle();
            if (auto* sheet = view->findChild<PhotoSourceSheet*>()) {
                waitUntil([&] { return thumbnailsShown(*sheet); });
                settle();
                save(*sheet, "source-sheet");
                sheet->reject();
            }
        }
        {
            auto view = window(false);
            view->openGallery();
            settle();
            save(*view, "gallery-empty");
            view->presentSource();
            settle();
            if (auto* sheet = view->findChild<PhotoSourceSheet*>()) {
                save(*sheet, "source-sheet-empty");
                sheet->reject();
            }
        }
    }

    bool failed() const { return failed_; }

private:
    fs::path output_;
    Fixture& fixture_;
    QString suffix_;
    std::vector<std::unique_ptr<JobGallery>> galleries_;
    bool failed_ = false;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: screenshots OUTPUT-FOLDER [PHOTO]\n";
        return 2;
    }
    const QTemporaryDir home;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    const fs::path folder = home.path().toStdString();
    Fixture fixture{.photoFile = folder / "photo.png",
                    .photo = tools::samplePhoto(1200, 800),
                    .emptyRoot = folder / "empty",
                    .fullRoot = folder / "jobs"};
    try {
        if (argc == 3) {
            fixture.photoFile = argv[2];
            fixture.photo = ImageFiles::loadFromURL(fixture.photoFile, 2400);
        } else {
            ImageFiles::save(fixture.photo, fixture.photoFile, ImageFiles::Format::png, 1);
        }
    } catch (const std::exception& error) {
        std::cerr << "screenshots: " << error.what() << '\n';
        return 1;
    }
    fs::create_directories(fixture.emptyRoot);
    writeJobs(fixture.fullRoot, fixture.photo);

    Shooter shooter(argv[1], fixture);
    QApplication::setPalette(Theme::lightPalette());
    shooter.shootAll("-light");
    shooter.shootGallery();
    QApplication::setPalette(Theme::darkPalette());
    shooter.shootAll("-dark");
    shooter.shootGallery();
    return shooter.failed() ? 1 : 0;
}
