#include "editor/EditorModel.h"
#include "tests/support/TestImages.h"

#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace orvane;

namespace {

// How many times `signal` fired while `write` ran.
template <typename Signal, typename Write>
qsizetype signalsDuring(EditorModel& model, Signal signal, Write write) {
    QSignalSpy spy(&model, signal);
    write();
    return spy.count();
}

} // namespace

TEST(EditorValueTypes, ToolsHaveTheirTabOrderTitlesAndSymbols) {
    const auto tools = allCases<Tool>();
    ASSERT_EQ(tools.size(), 4u);
    const std::array<std::array<const char*, 3>, 4> expected{{
        {"enlarge", "Enlarge", "arrow.up.left.and.arrow.down.right"},
        {"background", "Background", "person.crop.rectangle"},
        {"enhance", "Enhance", "wand.and.stars"},
        {"convert", "Convert", "arrow.triangle.2.circlepath"},
    }};
    for (std::size_t i = 0; i < tools.size(); ++i) {
        EXPECT_EQ(rawValue(tools[i]), expected[i][0]);
        EXPECT_EQ(title(tools[i]), expected[i][1]);
        EXPECT_EQ(symbol(tools[i]), expected[i][2]);
        EXPECT_EQ(fromRawValue<Tool>(expected[i][0]), tools[i]);
    }
    EXPECT_EQ(fromRawValue<Tool>("Enlarge"), std::nullopt);
}

TEST(EditorValueTypes, ExportFormatsBackdropsAndSections) {
    EXPECT_EQ(fileExtension(ExportFormat::jpeg), "jpg");
    EXPECT_EQ(fileExtension(ExportFormat::png), "png");
    EXPECT_EQ(fileExtension(ExportFormat::heic), "heic");
    EXPECT_EQ(rawValue(ExportFormat::jpeg), "jpeg");
    EXPECT_EQ(allCases<ExportFormat>(),
              (std::array{ExportFormat::jpeg, ExportFormat::png, ExportFormat::heic}));

    EXPECT_EQ(allCases<BackdropChoice>(), (std::array{BackdropChoice::transparent, BackdropChoice::white,
                                                      BackdropChoice::color, BackdropChoice::blur}));
    EXPECT_EQ(rawValue(BackdropChoice::color), "color");

    using S = JobPreset::Section;
    EXPECT_EQ(allCases<S>(), (std::array{S::enlarge, S::background, S::fix, S::convert}));
    EXPECT_EQ(rawValue(S::enlarge), "Enlarge");
    EXPECT_EQ(rawValue(S::background), "Background");
    EXPECT_EQ(rawValue(S::fix), "Fix");
    EXPECT_EQ(rawValue(S::convert), "Convert");
}

TEST(EditorValueTypes, EnlargeTargetsCompareCaseAndPayload) {
    EXPECT_EQ(EnlargeTarget(EnlargeFactor{4.0}), EnlargeTarget(EnlargeFactor{4.0}));
    EXPECT_NE(EnlargeTarget(EnlargeFactor{4.0}), EnlargeTarget(EnlargeFactor{2.0}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(EnlargeTarget(EnlargeFactor{nan}), EnlargeTarget(EnlargeFactor{nan}));

    const PrintSize a4{"A4", 21.0, 29.7};
    EXPECT_EQ(EnlargeTarget(EnlargePrint{a4}), EnlargeTarget(EnlargePrint{a4}));
    EXPECT_NE(EnlargeTarget(EnlargePrint{a4}), EnlargeTarget(EnlargePrint{{"A4", 22.0, 29.7}}));
    EXPECT_NE(EnlargeTarget(EnlargePrint{a4}), EnlargeTarget(EnlargePrint{{"A4", 21.0, 30.0}}));
    EXPECT_NE(EnlargeTarget(EnlargePrint{a4}), EnlargeTarget(EnlargePrint{{"A4 ", 21.0, 29.7}}));

    EXPECT_EQ(EnlargeTarget(EnlargeScreen{}), EnlargeTarget(EnlargeScreen{}));
    EXPECT_NE(EnlargeTarget(EnlargeScreen{}), EnlargeTarget(EnlargeFactor{4.0}));
}

TEST(EditorModelState, AFreshEditorStartsFromTheFixedDefaults) {
    EditorModel model;
    EXPECT_FALSE(model.original());
    EXPECT_FALSE(model.originalPreview());
    EXPECT_EQ(model.sourceName(), "photo");
    EXPECT_FALSE(model.sourceInput());
    EXPECT_FALSE(model.result());
    EXPECT_FALSE(model.resultPreview());
    EXPECT_FALSE(model.resultInfo());
    EXPECT_FALSE(model.exportURL());
    EXPECT_FALSE(model.isPreparingExport());
    EXPECT_FALSE(model.convertedData());
    EXPECT_FALSE(model.focus());
    EXPECT_EQ(model.tool(), Tool::enlarge);
    EXPECT_EQ(model.target(), EnlargeTarget(EnlargeFactor{4.0}));
    EXPECT_EQ(model.model(), UpscaleModel::fast);
    EXPECT_EQ(model.backdrop(), BackdropChoice::transparent);
    EXPECT_EQ(model.backdropColor(), QColor::fromRgbF(0.95f, 0.95f, 0.95f, 1.0f));
    EXPECT_EQ(model.backdropColor().convertTo(QColor::Rgb), model.backdropColor()); // an RGB colour
    EXPECT_EQ(
        model.enhance(),
        (EnhanceOptions{
            .autoLight = true, .reduceNoise = true, .sharpen = true, .aiDetail = true, .strength = 0.5}));
    EXPECT_EQ(model.convert(), (ConvertOptions{.format = ConvertFormat::jpeg,
                                               .quality = 0.85,
                                               .maxKB = std::nullopt,
                                               .maxLongEdge = std::nullopt,
                                               .metadata = MetadataPolicy::removeLocation,
                                               .keepCaptureDate = true,
                                               .neverLarger = false}));
    EXPECT_EQ(model.format(), ExportFormat::jpeg);
    EXPECT_FALSE(model.progress());
    EXPECT_FALSE(model.status());
    EXPECT_FALSE(model.errorMessage());
    EXPECT_FALSE(model.job());
    EXPECT_FALSE(model.exportJob());
    EXPECT_FALSE(model.batch());
    EXPECT_FALSE(model.batchJob());
    EXPECT_EQ(EditorModel::previewMax, 4096);
}

// For every compared property: writing what it already holds is silent, a different value
// signals once, and observers read the new value when they hear of it.
TEST(EditorModelState, ComparedPropertiesSignalOnlyARealChange) {
    EditorModel model;
    int checks = 0;
    auto check = [&](auto signal, auto write, auto writeOther, auto isOther) {
        SCOPED_TRACE(checks++);
        EXPECT_EQ(signalsDuring(model, signal, write), 0);
        bool sawNewValue = false;
        const auto connection = QObject::connect(&model, signal, [&] { sawNewValue = isOther(); });
        EXPECT_EQ(signalsDuring(model, signal, writeOther), 1);
        QObject::disconnect(connection);
        EXPECT_TRUE(sawNewValue);
        EXPECT_EQ(signalsDuring(model, signal, writeOther), 0);
    };
    using M = EditorModel;
    const ResultInfo info{10, 20, 1.5, false, std::nullopt, "4×", std::nullopt, std::nullopt};

    check(
        &M::sourceNameChanged, [&] { model.setSourceName(QStringLiteral("ph") + "oto"); },
        [&] { model.setSourceName("beach"); }, [&] { return model.sourceName() == "beach"; });
    check(
        &M::resultInfoChanged, [&] { model.setResultInfo(std::nullopt); }, [&] { model.setResultInfo(info); },
        [&] { return model.resultInfo() == info; });
    check(
        &M::resultInfoChanged, [&] { model.setResultInfo(info); },
        [&] {
            model.setResultInfo(ResultInfo{.width = info.width,
                                           .height = info.height,
                                           .seconds = info.seconds,
                                           .hasAlpha = info.hasAlpha,
                                           .dpi = 300,
                                           .label = info.label});
        },
        [&] { return model.resultInfo()->dpi == 300; });
    check(
        &M::exportURLChanged, [&] { model.setExportURL(std::nullopt); },
        [&] { model.setExportURL("/tmp/export/beach-4x.jpg"); },
        [&] { return model.exportURL() == std::filesystem::path("/tmp/export/beach-4x.jpg"); });
    check(
        &M::isPreparingExportChanged, [&] { model.setIsPreparingExport(false); },
        [&] { model.setIsPreparingExport(true); }, [&] { return model.isPreparingExport(); });
    const auto preset = JobPreset::all().front();
    check(
        &M::focusChanged, [&] { model.setFocus(std::nullopt); }, [&] { model.setFocus(preset); },
        [&] { return model.focus() == preset; });
    auto renamed = preset;
    renamed.subtitle = "Other";
    check(
        &M::focusChanged, [&] { model.setFocus(preset); }, [&] { model.setFocus(renamed); },
        [&] { return model.focus()->subtitle == "Other"; });
    check(
        &M::toolChanged, [&] { model.setTool(Tool::enlarge); }, [&] { model.setTool(Tool::convert); },
        [&] { return model.tool() == Tool::convert; });
    check(
        &M::targetChanged, [&] { model.setTarget(EnlargeFactor{4.0}); },
        [&] {
            model.setTarget(EnlargePrint{{"A4", 21.0, 29.7}});
        },
        [&] { return std::holds_alternative<EnlargePrint>(model.target()); });
    check(
        &M::targetChanged,
        [&] {
            model.setTarget(EnlargePrint{{"A4", 21.0, 29.7}});
        },
        [&] {
            model.setTarget(EnlargePrint{{"A4", 21.5, 29.7}});
        },
        [&] { return std::get<EnlargePrint>(model.target()).size.widthCm == 21.5; });
    check(
        &M::modelChanged, [&] { model.setModel(UpscaleModel::fast); },
        [&] { model.setModel(UpscaleModel::art); }, [&] { return model.model() == UpscaleModel::art; });
    check(
        &M::backdropChanged, [&] { model.setBackdrop(BackdropChoice::transparent); },
        [&] { model.setBackdrop(BackdropChoice::blur); },
        [&] { return model.backdrop() == BackdropChoice::blur; });
    check(
        &M::backdropColorChanged, [&] { model.setBackdropColor(QColor::fromRgbF(0.95f, 0.95f, 0.95f)); },
        [&] { model.setBackdropColor(Qt::red); }, [&] { return model.backdropColor() == QColor(Qt::red); });
    check(
        &M::enhanceChanged, [&] { model.setEnhance(EnhanceOptions{}); },
        [&] {
            model.setEnhance(EnhanceOptions{
                .autoLight = true, .reduceNoise = true, .sharpen = true, .aiDetail = true, .strength = 0.6});
        },
        [&] { return model.enhance().strength == 0.6; });
    auto options = model.convert();
    options.neverLarger = true;
    check(
        &M::convertChanged, [&] { model.setConvert(model.convert()); }, [&] { model.setConvert(options); },
        [&] { return model.convert().neverLarger; });
    check(
        &M::formatChanged, [&] { model.setFormat(ExportFormat::jpeg); },
        [&] { model.setFormat(ExportFormat::png); }, [&] { return model.format() == ExportFormat::png; });
    check(
        &M::progressChanged, [&] { model.setProgress(std::nullopt); }, [&] { model.setProgress(0.0); },
        [&] { return model.progress() == 0.0; });
    check(
        &M::progressChanged, [&] { model.setProgress(0.0); }, [&] { model.setProgress(0.5); },
        [&] { return model.progress() == 0.5; });
    check(
        &M::statusChanged, [&] { model.setStatus(std::nullopt); }, [&] { model.setStatus("Working…"); },
        [&] { return model.status() == "Working…"; });
    check(
        &M::statusChanged, [&] { model.setStatus("Working…"); }, [&] { model.setStatus(QString()); },
        [&] { return model.status() == QString(); });
    check(
        &M::errorMessageChanged, [&] { model.setErrorMessage(std::nullopt); },
        [&] { model.setErrorMessage("No."); }, [&] { return model.errorMessage() == "No."; });

    // Images and tasks are the same only when they are the very same one.
    const Bitmap image = test::solid(8, 8, 1, 2, 3);
    const Bitmap twin = test::solid(8, 8, 1, 2, 3);
    check(
        &M::originalChanged, [&] { model.setOriginal(std::nullopt); }, [&] { model.setOriginal(image); },
        [&] { return model.original() == image; });
    check(
        &M::originalChanged, [&] { model.setOriginal(image); }, [&] { model.setOriginal(twin); },
        [&] { return model.original() == twin; });
    check(
        &M::originalChanged, [&] { model.setOriginal(twin); }, [&] { model.setOriginal(std::nullopt); },
        [&] { return !model.original(); });
    check(
        &M::originalPreviewChanged, [&] { model.setOriginalPreview(std::nullopt); },
        [&] { model.setOriginalPreview(image); }, [&] { return model.originalPreview() == image; });
    check(
        &M::resultChanged, [&] { model.setResult(std::nullopt); }, [&] { model.setResult(image); },
        [&] { return model.result() == image; });
    check(
        &M::resultPreviewChanged, [&] { model.setResultPreview(std::nullopt); },
        [&] { model.setResultPreview(image); }, [&] { return model.resultPreview() == image; });
    const TaskHandle task;
    const TaskHandle other;
    check(
        &M::jobChanged, [&] { model.setJob(std::nullopt); }, [&] { model.setJob(task); },
        [&] { return model.job() == task; });
    check(
        &M::jobChanged, [&] { model.setJob(task); }, [&] { model.setJob(other); },
        [&] { return model.job() == other; });
    check(
        &M::exportJobChanged, [&] { model.setExportJob(std::nullopt); }, [&] { model.setExportJob(task); },
        [&] { return model.exportJob() == task; });
    check(
        &M::batchJobChanged, [&] { model.setBatchJob(std::nullopt); }, [&] { model.setBatchJob(task); },
        [&] { return model.batchJob() == task; });
}

TEST(EditorModelState, ANaNProgressSignalsOnEveryWrite) {
    EditorModel model;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(signalsDuring(model, &EditorModel::progressChanged, [&] { model.setProgress(nan); }), 1);
    EXPECT_EQ(signalsDuring(model, &EditorModel::progressChanged, [&] { model.setProgress(nan); }), 1);
    EXPECT_TRUE(std::isnan(*model.progress()));
}

TEST(EditorModelState, BytesAndBatchesSignalOnEveryWrite) {
    EditorModel model;
    const auto bytes = std::make_shared<const Bytes>(Bytes{1, 2, 3});
    const ConvertInput input = ConvertInputData{bytes, "public.png"};
    EXPECT_EQ(
        signalsDuring(model, &EditorModel::sourceInputChanged, [&] { model.setSourceInput(std::nullopt); }),
        1);
    EXPECT_EQ(signalsDuring(model, &EditorModel::sourceInputChanged, [&] { model.setSourceInput(input); }),
              1);
    EXPECT_EQ(signalsDuring(model, &EditorModel::sourceInputChanged, [&] { model.setSourceInput(input); }),
              1);

    const ConvertedFile file{bytes, "webp"};
    EXPECT_EQ(signalsDuring(model, &EditorModel::convertedDataChanged, [&] { model.setConvertedData(file); }),
              1);
    EXPECT_EQ(signalsDuring(model, &EditorModel::convertedDataChanged, [&] { model.setConvertedData(file); }),
              1);
    EXPECT_EQ(signalsDuring(model, &EditorModel::convertedDataChanged,
                            [&] { model.setConvertedData(std::nullopt); }),
              1);

    // Without a batch there is nothing to change in place.
    EXPECT_EQ(signalsDuring(model, &EditorModel::batchChanged,
                            [&] { model.modifyBatch([](BatchState& b) { b.done += 1; }); }),
              0);
    const auto batch = BatchState::fresh({}, "/tmp/out");
    EXPECT_EQ(signalsDuring(model, &EditorModel::batchChanged, [&] { model.setBatch(batch); }), 1);
    EXPECT_EQ(signalsDuring(model, &EditorModel::batchChanged, [&] { model.setBatch(batch); }), 1);
    int doneSeen = -1;
    QObject::connect(&model, &EditorModel::batchChanged,
                     [&] { doneSeen = model.batch() ? model.batch()->done : -2; });
    EXPECT_EQ(signalsDuring(model, &EditorModel::batchChanged,
                            [&] {
                                model.modifyBatch([](BatchState& b) {
                                    b.done += 1;
                                    b.failed.push_back("a");
                                    b.bytesIn += 10;
                                });
                            }),
              1);
    EXPECT_EQ(doneSeen, 1);
    EXPECT_EQ(model.batch()->failed, std::vector<QString>{"a"});
    EXPECT_EQ(signalsDuring(model, &EditorModel::batchChanged, [&] { model.setBatch(std::nullopt); }), 1);
    EXPECT_EQ(doneSeen, -2);
}

TEST(EditorDerivedState, SignalsFollowTheirInputsAndRunNeedsAnIdlePhoto) {
    EditorModel model;
    QSignalSpy plan(&model, &EditorModel::sizePlanChanged);
    QSignalSpy summary(&model, &EditorModel::sourceSummaryChanged);
    QSignalSpy canRun(&model, &EditorModel::canRunChanged);
    EXPECT_FALSE(model.canRun());

    model.setOriginal(test::solid(100, 50, 1, 2, 3));
    EXPECT_TRUE(model.canRun());
    EXPECT_EQ(plan.count(), 1);
    EXPECT_EQ(summary.count(), 1);
    EXPECT_EQ(canRun.count(), 1);

    model.setTarget(EnlargeFactor{2.0});
    EXPECT_EQ(plan.count(), 2);
    model.setSourceInput(std::nullopt);
    EXPECT_EQ(summary.count(), 2);

    model.setProgress(0.0);
    EXPECT_FALSE(model.canRun());
    EXPECT_EQ(canRun.count(), 2);
    model.setProgress(std::nullopt);
    EXPECT_TRUE(model.canRun());

    // Options that change neither the plan nor the summary stay quiet for them.
    model.setModel(UpscaleModel::art);
    model.setTool(Tool::convert);
    EXPECT_EQ(plan.count(), 2);
    EXPECT_EQ(summary.count(), 2);
}
