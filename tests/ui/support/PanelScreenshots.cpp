#include "tests/ui/support/PanelScreenshots.h"

#include "editor/EditorModel.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/ScreenshotLook.h"
#include "ui/job/ToolPanel.h"

#include <QTest>
#include <functional>
#include <memory>

namespace orvane::test {
namespace {

struct State {
    const char* name;
    std::function<void(EditorModel&)> setUp;
};

void focus(EditorModel& model, const char* id) {
    const JobPreset preset = *JobPreset::find(id);
    model.setFocus(preset);
    model.apply(preset);
}

const std::vector<State>& states() {
    static const std::vector<State> all{
        {"enlarge-free", [](EditorModel& model) { model.setSource(gradient(1000, 750)); }},
        {"enlarge-print",
         [](EditorModel& model) {
             model.setSource(gradient(1000, 1500));
             focus(model, "enlarge-print");
         }},
        {"enlarge-capped",
         [](EditorModel& model) {
             model.setSource(gradient(1000, 750));
             model.setTarget(EnlargeFactor{1000});
         }},
        {"enlarge-art", [](EditorModel& model) { focus(model, "enlarge-art"); }},
        {"background-free", [](EditorModel& model) { model.setTool(Tool::background); }},
        {"background-color",
         [](EditorModel& model) {
             model.setTool(Tool::background);
             model.setBackdrop(BackdropChoice::color);
             model.setBackdropColor(QColor(255, 214, 10));
         }},
        {"background-preset", [](EditorModel& model) { focus(model, "bg-white"); }},
        {"enhance",
         [](EditorModel& model) {
             model.setTool(Tool::enhance);
             EnhanceOptions options;
             options.reduceNoise = false;
             options.sharpen = false;
             model.setEnhance(options);
         }},
        {"convert-free",
         [](EditorModel& model) {
             model.setSource(gradient(1000, 750));
             model.setTool(Tool::convert);
         }},
        {"convert-compress", [](EditorModel& model) { focus(model, "compress"); }},
        {"running",
         [](EditorModel& model) {
             model.setTool(Tool::enhance);
             model.setProgress(0.4);
             model.setStatus(QStringLiteral("Pass 1 of 2…"));
         }},
    };
    return all;
}

void writeAll(const std::filesystem::path& folder, const char* paletteName) {
    for (const State& state : states()) {
        EditorModel model;
        state.setUp(model);
        if (!QTest::qWaitFor([&] { return !model.isLoading(); }, 10000)) {
            continue;
        }
        auto panel = std::make_unique<ToolPanel>(model);
        panel->setAutoFillBackground(true);
        panel->setBackgroundRole(QPalette::Base);
        panel->setContentsMargins(18, 18, 18, 18);
        panel->setFixedWidth(320);
        panel->adjustSize();
        panel->show();
        QTest::qWait(30);
        const auto file = folder / (std::string("panel-") + state.name + "-" + paletteName + ".png");
        panel->grab().save(QString::fromStdString(file.string()));
        // A job started by a state stops with it.
        model.cancelJob();
    }
}

} // namespace

void writePanelScreenshots(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    for (const bool dark : {false, true}) {
        const ScreenshotLook look(dark);
        writeAll(folder, dark ? "dark" : "light");
    }
}

} // namespace orvane::test
