#include "core/ImageFiles.h"
#include "core/UpscaleError.h"
#include "core/upscale/DeviceLimits.h"
#include "core/upscale/ModelLibrary.h"
#include "editor/EditorModel.h"
#include "editor/ToolWork.h"
#include "platform/Cancelled.h"
#include "platform/networks/NetworkError.h"
#include "tests/editor/WaitForLoad.h"
#include "tests/platform/networks/SubjectScenes.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/support/TestNetworks.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

constexpr int waitLimitMs = 120'000;

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, waitLimitMs);
}

// Delivers what finished work has already posted to the main thread.
void drainPostedEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
    }
}

// A network load that waits until the test lets it go, so that a job can be held running.
class Gate {
public:
    void open() {
        std::call_once(opened_, [this] { promise_.set_value(); });
    }
    void wait() const { future_.wait(); }

private:
    std::promise<void> promise_;
    std::shared_future<void> future_ = promise_.get_future().share();
    std::once_flag opened_;
};

class EditorModelRun : public testing::Test {
protected:
    EditorModelRun() {
        fs::copy(test::nearest4xBundle(), resources / "realesr-general-x4v3.mlmodelc",
                 fs::copy_options::recursive);
        fs::copy(test::nearest4xBundle(), resources / "RealESRGAN_x4plus_anime_6B.mlmodelc",
                 fs::copy_options::recursive);
        library.setLoader([this](const fs::path& url) {
            ++loads;
            if (url.filename() == "RealESRGAN_x4plus_anime_6B.mlmodelc") {
                artGate.wait();
            }
            return Upscaler::load(url);
        });
        model.setModelLibrary(&library);
        model.setGallery(&gallery);
    }

    void TearDown() override {
        artGate.open();
        userInitiatedPool().waitForDone();
        drainPostedEvents();
    }

    bool waitForResult() {
        return waitFor([&] { return model.result().has_value() || model.errorMessage().has_value(); });
    }

    test::TemporaryDirectory resources;
    test::TemporaryDirectory galleryRoot;
    ModelLibrary library{resources.path()};
    JobGallery gallery{galleryRoot.path()};
    std::atomic<int> loads{0};
    Gate artGate;
    EditorModel model;
};

} // namespace

TEST_F(EditorModelRun, IsRefusedWithoutAPhoto) {
    QSignalSpy progress(&model, &EditorModel::progressChanged);
    QSignalSpy job(&model, &EditorModel::jobChanged);
    model.run();
    drainPostedEvents();
    EXPECT_FALSE(model.progress());
    EXPECT_FALSE(model.status());
    EXPECT_FALSE(model.job());
    EXPECT_EQ(progress.count(), 0);
    EXPECT_EQ(job.count(), 0);
}

TEST_F(EditorModelRun, IsRefusedWhileAJobRuns) {
    model.setSource(test::gradient(40, 30));
    model.setModel(UpscaleModel::art);
    model.run();
    ASSERT_TRUE(model.job());
    const TaskHandle first = *model.job();
    EXPECT_EQ(model.status(), QStringLiteral("Preparing model…"));
    QSignalSpy job(&model, &EditorModel::jobChanged);
    model.setTool(Tool::convert);
    model.run();
    EXPECT_EQ(job.count(), 0);
    EXPECT_EQ(model.job(), first);
    EXPECT_EQ(model.status(), QStringLiteral("Preparing model…"));
}

TEST_F(EditorModelRun, ConvertsTheLoadedFile) {
    const Bytes file = test::encoded(test::gradient(64, 48, AlphaInfo::last), ConvertFormat::png);
    model.loadData(std::make_shared<const Bytes>(file), QStringLiteral("shot"));
    ASSERT_TRUE(test::waitForLoad(model));
    model.setTool(Tool::convert);
    auto options = model.convert();
    options.format = ConvertFormat::png;
    model.setConvert(options);

    std::vector<QString> seen;
    QObject::connect(&model, &EditorModel::statusChanged, [&] {
        if (model.status()) {
            seen.push_back(*model.status());
        }
    });
    model.run();
    EXPECT_EQ(model.progress(), 0.0);
    EXPECT_EQ(model.status(), QStringLiteral("Working…"));
    ASSERT_TRUE(waitForResult());
    ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();

    EXPECT_EQ(seen, (std::vector<QString>{QStringLiteral("Working…"), QStringLiteral("Converting…")}));
    EXPECT_FALSE(model.progress());
    EXPECT_FALSE(model.status());
    ASSERT_TRUE(model.resultInfo());
    const ResultInfo& info = *model.resultInfo();
    EXPECT_EQ(info.width, 64);
    EXPECT_EQ(info.height, 48);
    EXPECT_EQ(info.label, QStringLiteral("PNG"));
    EXPECT_TRUE(info.hasAlpha);
    EXPECT_FALSE(info.dpi);
    ASSERT_TRUE(model.convertedData());
    EXPECT_EQ(model.convertedData()->fileExtension, QStringLiteral("png"));
    EXPECT_EQ(info.convertedBytes, static_cast<std::int64_t>(model.convertedData()->bytes->size()));
    EXPECT_EQ(info.sourceBytes, static_cast<std::int64_t>(file.size()));
    EXPECT_GE(info.seconds, 0);
    ASSERT_TRUE(model.resultPreview());
    EXPECT_EQ(model.resultPreview()->width(), 64);
}

TEST_F(EditorModelRun, ConvertingToJpegNeverHasAlpha) {
    model.setSource(test::gradient(32, 32, AlphaInfo::last));
    model.setTool(Tool::convert);
    model.run();
    ASSERT_TRUE(waitForResult());
    ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();
    EXPECT_FALSE(model.resultInfo()->hasAlpha);
    EXPECT_EQ(model.resultInfo()->label, QStringLiteral("JPG"));
    EXPECT_EQ(model.convertedData()->fileExtension, QStringLiteral("jpg"));
}

TEST_F(EditorModelRun, EnlargesWithTheGivenLibraryAndReportsProgress) {
    model.setSource(test::gradient(40, 30));
    std::vector<std::optional<double>> fractions;
    std::vector<std::optional<QString>> statuses;
    QObject::connect(&model, &EditorModel::progressChanged, [&] { fractions.push_back(model.progress()); });
    QObject::connect(&model, &EditorModel::statusChanged, [&] { statuses.push_back(model.status()); });
    model.run();
    EXPECT_EQ(model.status(), QStringLiteral("Preparing model…"));
    ASSERT_TRUE(waitForResult());
    ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();

    ASSERT_TRUE(model.result());
    EXPECT_EQ(model.result()->width(), 160);
    EXPECT_EQ(model.result()->height(), 120);
    EXPECT_EQ(model.resultInfo()->label, QStringLiteral("4×"));
    EXPECT_FALSE(model.resultInfo()->hasAlpha);
    EXPECT_FALSE(model.resultInfo()->convertedBytes);
    EXPECT_FALSE(model.convertedData());
    EXPECT_EQ(loads.load(), 1);
    // The library's reports reached the editor before the job ended.
    ASSERT_GE(fractions.size(), 3u);
    EXPECT_EQ(fractions.front(), 0.0);
    EXPECT_EQ(fractions[fractions.size() - 2], 1.0);
    EXPECT_FALSE(fractions.back());
    EXPECT_EQ(statuses, (std::vector<std::optional<QString>>{QStringLiteral("Preparing model…"),
                                                             QStringLiteral("Enlarging…"),
                                                             QStringLiteral("Working…"), std::nullopt}));
    EXPECT_FALSE(model.progress());
    EXPECT_FALSE(model.status());
}

TEST_F(EditorModelRun, ProgressArrivesThroughTheEventLoopOnlyForTheCurrentJob) {
    model.setSource(test::gradient(40, 30));
    model.setModel(UpscaleModel::art);
    model.run();
    ASSERT_TRUE(waitFor([&] { return model.status() == QStringLiteral("Enlarging…"); }));
    const auto report = model.reportProgress(*model.job());

    std::thread([&] {
        report(UpscaleProgress{.pass = 1, .passes = 2, .tile = 3, .tiles = 4, .fraction = 0.375});
    }).join();
    EXPECT_EQ(model.progress(), 0.0);
    ASSERT_TRUE(waitFor([&] { return model.progress() == 0.375; }));
    EXPECT_EQ(model.status(), QStringLiteral("Pass 1 of 2…"));

    const auto stranger = model.reportProgress(TaskHandle{});
    QSignalSpy progress(&model, &EditorModel::progressChanged);
    std::thread([&] {
        stranger(UpscaleProgress{.pass = 2, .passes = 2, .tile = 1, .tiles = 1, .fraction = 0.9});
    }).join();
    drainPostedEvents();
    EXPECT_EQ(progress.count(), 0);
    EXPECT_EQ(model.status(), QStringLiteral("Pass 1 of 2…"));
}

TEST_F(EditorModelRun, ANewPhotoCancelsTheRunningJob) {
    model.setSource(test::gradient(40, 30));
    model.setModel(UpscaleModel::art);
    model.run();
    ASSERT_TRUE(waitFor([&] { return loads.load() == 1; }));

    const Bitmap next = test::gradient(20, 10);
    model.setSource(next);
    EXPECT_FALSE(model.job());
    EXPECT_FALSE(model.progress());
    EXPECT_FALSE(model.status());

    QSignalSpy result(&model, &EditorModel::resultChanged);
    QSignalSpy error(&model, &EditorModel::errorMessageChanged);
    QSignalSpy status(&model, &EditorModel::statusChanged);
    artGate.open();
    userInitiatedPool().waitForDone();
    drainPostedEvents();
    EXPECT_EQ(result.count(), 0);
    EXPECT_EQ(error.count(), 0);
    EXPECT_EQ(status.count(), 0);
    EXPECT_FALSE(model.result());
    EXPECT_EQ(model.original(), next);
}

TEST_F(EditorModelRun, ACancelledEnlargementNeverTouchesTheNextJob) {
    // Enough tiles that the cancelled job reports many times.
    model.setSource(test::gradient(300, 200));
    model.run();
    const Bitmap second = test::gradient(30, 20);
    model.setSource(second);
    model.setModel(UpscaleModel::art);
    model.run();
    ASSERT_TRUE(model.job());
    const TaskHandle current = *model.job();
    ASSERT_TRUE(waitFor([&] { return model.status() == QStringLiteral("Enlarging…"); }));

    QSignalSpy progress(&model, &EditorModel::progressChanged);
    QSignalSpy status(&model, &EditorModel::statusChanged);
    QSignalSpy result(&model, &EditorModel::resultChanged);
    // Both networks are being loaded, and then only the held one keeps a thread busy: the first
    // job's work has run to its end and posted all its reports.
    ASSERT_TRUE(waitFor([&] { return loads.load() == 2 && userInitiatedPool().activeThreadCount() == 1; }));
    drainPostedEvents();
    EXPECT_EQ(progress.count(), 0);
    EXPECT_EQ(status.count(), 0);
    EXPECT_EQ(result.count(), 0);
    EXPECT_EQ(model.progress(), 0.0);
    EXPECT_EQ(model.status(), QStringLiteral("Enlarging…"));
    EXPECT_EQ(model.job(), current);
    EXPECT_FALSE(model.errorMessage());

    artGate.open();
    ASSERT_TRUE(waitForResult());
    ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();
    EXPECT_EQ(model.result()->width(), 120);
    EXPECT_EQ(model.result()->height(), 80);
}

// Counts the progress reports that tiles post to the application object.
class TileReports : public QObject {
public:
    TileReports() { QCoreApplication::instance()->installEventFilter(this); }
    ~TileReports() override { QCoreApplication::instance()->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::MetaCall) {
            ++count;
        }
        return false;
    }
};

TEST_F(EditorModelRun, ACancelledEnlargementStopsAtItsNextTile) {
    // Some thirty tiles, held back until the network is let go.
    model.setSource(test::gradient(1200, 900));
    model.setModel(UpscaleModel::art);
    model.run();
    ASSERT_TRUE(waitFor([&] { return loads.load() == 1; }));
    drainPostedEvents();

    const TileReports reports;
    model.cancelJob();
    artGate.open();
    userInitiatedPool().waitForDone();
    drainPostedEvents();
    EXPECT_EQ(reports.count, 0);
    EXPECT_FALSE(model.result());
    EXPECT_FALSE(model.errorMessage());

    // The enhancer's detail pass stops the same way.
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(enhanceWithDetail(test::gradient(300, 300), EnhanceOptions{}, {}, library, stop.get_token()),
                 Cancelled);
}

TEST_F(EditorModelRun, TransparentBackgroundGivesAResultWithAlpha) {
    const auto scene = test::scene(480, 360, {{test::SceneObject::person, 0.5, 0.8}});
    model.setSource(scene.photo);
    model.setTool(Tool::background);
    model.run();
    EXPECT_EQ(model.status(), QStringLiteral("Working…"));
    ASSERT_TRUE(waitForResult());
    ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();
    ASSERT_TRUE(model.result());
    EXPECT_TRUE(hasAlphaChannel(model.result()->alphaInfo()));
    EXPECT_EQ(model.result()->width(), 480);
    EXPECT_TRUE(model.resultInfo()->hasAlpha);
    EXPECT_EQ(model.resultInfo()->label, QStringLiteral("Background removed"));
    // A JPEG export could not keep the transparency.
    EXPECT_EQ(model.format(), ExportFormat::png);
}

// A cut-out taken on to be enhanced keeps its shape: the subject shows where it was visible,
// white where it was not.
TEST_F(EditorModelRun, EnhancingACutOutKeepsItsShape) {
    model.setSource(test::scene(480, 360, {{test::SceneObject::vase, 0.5, 0.7}}).photo);
    model.setTool(Tool::background);
    model.run();
    ASSERT_TRUE(waitForResult());
    ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();
    const Bitmap cutOut = *model.result();
    ASSERT_TRUE(hasAlphaChannel(cutOut.alphaInfo()));
    model.useResultAsSource();
    model.setTool(Tool::enhance);
    model.run();
    ASSERT_TRUE(waitForResult());
    ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();
    EXPECT_EQ(loads.load(), 1);
    const test::ShapeKept kept = test::shapeKept(cutOut.unpremultiplied(), *model.result());
    EXPECT_LT(kept.lostInside, 0.01);
    EXPECT_LT(kept.shownOutside, 0.01);
}

// A logo on transparency, enlarged or enhanced, shows white where it was transparent, as a
// conversion to JPEG does; the result stays opaque.
TEST_F(EditorModelRun, EnlargingAndEnhancingLayTransparencyOverWhite) {
    for (const Tool tool : {Tool::enlarge, Tool::enhance}) {
        model.setSource(test::logoOnTransparency(40, 30));
        model.setTool(tool);
        model.run();
        ASSERT_TRUE(waitForResult());
        ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();
        const Bitmap result = *model.result();
        EXPECT_EQ(result.alphaInfo(), AlphaInfo::noneSkipLast);
        EXPECT_FALSE(model.resultInfo()->hasAlpha);
        const std::uint8_t* hidden = result.pixel(result.width() * 3 / 4, result.height() / 2);
        EXPECT_EQ(std::min({hidden[0], hidden[1], hidden[2]}), 255) << rawValue(tool);
        EXPECT_LT(result.pixel(result.width() / 4, result.height() / 2)[0], 60) << rawValue(tool);
    }
}

TEST_F(EditorModelRun, AFailedBackgroundRemovalReportsTheRemoversMessage) {
    model.setSource(test::solid(400, 300, 128, 128, 128));
    model.setTool(Tool::background);
    model.run();
    ASSERT_TRUE(waitFor([&] { return model.errorMessage().has_value(); }));
    EXPECT_TRUE(model.errorMessage() == QStringLiteral("No clear subject found in this photo.") ||
                model.errorMessage()->startsWith(QStringLiteral("Subject detection isn't available here")));
    EXPECT_FALSE(model.progress());
    EXPECT_FALSE(model.status());
    EXPECT_FALSE(model.result());
}

TEST_F(EditorModelRun, AFailureOfAJobTheUserLeftSaysNothing) {
    // A photo without a subject: the removal always fails, whether or not detection is available.
    model.setSource(test::solid(400, 300, 128, 128, 128));
    model.setTool(Tool::background);
    model.run();
    const Bitmap next = test::gradient(20, 10);
    model.setSource(next);
    // The jobs start from the event loop, fail on the pool and report back through the loop.
    drainPostedEvents();
    userInitiatedPool().waitForDone();
    drainPostedEvents();
    EXPECT_FALSE(model.errorMessage());
    EXPECT_FALSE(model.progress());
    EXPECT_EQ(model.original(), next);
}

TEST_F(EditorModelRun, OnlyTheSystemsOwnErrorsReachTheUserInTheirOwnWords) {
    const std::string internal = "SubjectNetwork::Model::run: the input is not 3 × 1024 × 1024";
    const std::vector<std::pair<std::function<void()>, QString>> failures{
        {[&] { throw std::invalid_argument(internal); },
         QStringLiteral("The operation couldn't be completed.")},
        {[&] { throw NetworkError(internal); }, QStringLiteral("The operation couldn't be completed.")},
        {[] { throw UpscaleError::badModel("art is not installed"); },
         QStringLiteral("Model problem: art is not installed")},
    };
    model.setSource(test::gradient(40, 30));
    for (const auto& [fail, shown] : failures) {
        library.setLoader([&fail](const fs::path&) -> std::shared_ptr<const Upscaler> {
            fail();
            return nullptr;
        });
        model.setErrorMessage(std::nullopt);
        testing::internal::CaptureStderr();
        model.run();
        const bool failed = waitFor([&] { return model.errorMessage().has_value(); });
        const std::string log = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(failed);
        EXPECT_EQ(model.errorMessage(), shown);
        // The internal text is kept for whoever reads the log.
        EXPECT_EQ(log.find(internal) != std::string::npos, !shown.startsWith("Model problem"));
        EXPECT_FALSE(model.progress());
    }
}

TEST_F(EditorModelRun, EnhancementWithoutDetailLoadsNoNetwork) {
    model.setSource(test::gradient(40, 30));
    model.setTool(Tool::enhance);
    auto options = model.enhance();
    options.aiDetail = false;
    model.setEnhance(options);
    model.run();
    ASSERT_TRUE(waitForResult());
    ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();
    EXPECT_EQ(loads.load(), 0);
    EXPECT_EQ(model.resultInfo()->label, QStringLiteral("Enhanced"));
    EXPECT_EQ(model.result()->width(), 40);
}

TEST_F(EditorModelRun, EnhancementWithDetailLoadsTheFastStyle) {
    const Bitmap photo = test::gradient(40, 30);
    const Bitmap enhanced = enhanceWithDetail(photo, EnhanceOptions{}, {}, library);
    EXPECT_EQ(enhanced.width(), 40);
    EXPECT_EQ(loads.load(), 1);
    EXPECT_TRUE(library.isInstalled(UpscaleModel::fast));
}

TEST(EditorModelSizePlan, FollowsTheTargetAndTheDevice) {
    EditorModel model;
    EXPECT_FALSE(model.sizePlan());
    model.setSource(test::solid(1000, 500, 1, 2, 3));
    ASSERT_GE(DeviceLimits::maxPixels(), 8'000'000);
    EXPECT_EQ(model.sizePlan(),
              (EditorModel::SizePlan{.scale = 4, .width = 4000, .height = 2000, .clamped = false}));

    const PrintSize small{"Tiny", 1, 1};
    model.setTarget(EnlargePrint{small});
    EXPECT_EQ(model.requestedScale(*model.original()), 1);

    // Without a window system the screen is 3840 × 2160, turned to the photo's orientation.
    ASSERT_EQ(EditorModel::screenPixelSize(), QSize(3840, 2160));
    model.setTarget(EnlargeScreen{});
    EXPECT_DOUBLE_EQ(model.requestedScale(test::solid(1000, 3000, 0, 0, 0)), 2.16);
    EXPECT_DOUBLE_EQ(model.requestedScale(test::solid(3000, 1000, 0, 0, 0)), 2.16);
    EXPECT_DOUBLE_EQ(model.requestedScale(test::solid(1000, 1000, 0, 0, 0)), 3.84);
    EXPECT_DOUBLE_EQ(model.requestedScale(test::solid(4000, 3000, 0, 0, 0)), 1);
}

TEST(EditorModelBackdrop, MapsEveryChoice) {
    EditorModel model;
    EXPECT_EQ(model.backdropValue(), Backdrop(BackdropTransparent{}));
    model.setBackdrop(BackdropChoice::white);
    EXPECT_EQ(model.backdropValue(), Backdrop(BackdropColor{1, 1, 1}));
    model.setBackdrop(BackdropChoice::blur);
    EXPECT_EQ(model.backdropValue(), Backdrop(BackdropBlur{25}));
    model.setBackdrop(BackdropChoice::color);
    model.setBackdropColor(QColor::fromRgbF(0.25f, 0.5f, 1.0f));
    const auto color = std::get<BackdropColor>(model.backdropValue());
    EXPECT_NEAR(color.red, 0.25, 1e-4);
    EXPECT_NEAR(color.green, 0.5, 1e-4);
    EXPECT_NEAR(color.blue, 1.0, 1e-4);
}
