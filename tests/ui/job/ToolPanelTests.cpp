#include "tests/support/TestImages.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/ActionButton.h"
#include "ui/job/RunBar.h"
#include "ui/job/ToolPanel.h"
#include "ui/job/ToolTabs.h"

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>

namespace orvane {
namespace {

struct Panel {
    EditorModel model;
    ToolPanel panel{model};
    Panel() {
        panel.resize(284, 760);
        panel.show();
        panel.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&panel));
    }
    QWidget* named(const char* name) const { return test::child(panel, name); }
    ActionButton* runButton() const { return test::child<ActionButton>(panel, "runButton"); }
    void pressCtrlReturn() { QTest::keyClick(&panel, Qt::Key_Return, Qt::ControlModifier); }
};

TEST(ToolPanel, APresetsHeaderAndRunTitleReplaceTheTabs) {
    Panel panel;
    EXPECT_TRUE(test::isShown(panel.named("toolTabs")));
    EXPECT_FALSE(test::isShown(panel.named("presetHeader")));
    EXPECT_EQ(panel.runButton()->text(), "Enlarge");

    // The tab names the tool; the run button says what it does.
    QTest::mouseClick(test::child<QAbstractButton>(panel.panel, "toolTab_background"), Qt::LeftButton);
    EXPECT_EQ(panel.model.tool(), Tool::background);
    EXPECT_EQ(test::child<QAbstractButton>(panel.panel, "toolTab_background")->text(), "Background");
    EXPECT_EQ(panel.runButton()->text(), "Remove background");
    EXPECT_EQ(panel.runButton()->symbol(), "person.crop.rectangle");
    EXPECT_TRUE(test::isShown(panel.named("backgroundOptions")));
    EXPECT_FALSE(test::isShown(panel.named("enlargeOptions")));

    const JobPreset preset = *JobPreset::find("enlarge-4");
    panel.model.setFocus(preset);
    panel.model.apply(preset);
    EXPECT_FALSE(test::isShown(panel.named("toolTabs")));
    EXPECT_TRUE(test::isShown(panel.named("presetHeader")));
    EXPECT_EQ(test::child<QLabel>(panel.panel, "presetTitle")->text(), "Enlarge 4×");
    EXPECT_EQ(test::child<QLabel>(panel.panel, "presetSubtitle")->text(), "Four times bigger");
    EXPECT_EQ(panel.runButton()->text(), "Enlarge 4×");
    EXPECT_EQ(panel.runButton()->symbol(), "arrow.up.left.and.arrow.down.right");
    EXPECT_TRUE(test::isShown(panel.named("enlargeOptions")));
}

TEST(ToolPanel, CtrlReturnWithoutAPhotoStartsNothingAndSaysNothing) {
    Panel panel;
    QSignalSpy progress(&panel.model, &EditorModel::progressChanged);
    panel.pressCtrlReturn();
    QTest::mouseClick(panel.runButton(), Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_EQ(progress.count(), 0);
    EXPECT_FALSE(panel.model.errorMessage().has_value());
    EXPECT_TRUE(test::isShown(panel.runButton()));
}

TEST(ToolPanel, WhileAJobRunsOnlyTheRunBarStaysUsableAndCancelEndsIt) {
    Panel panel;
    panel.model.setSource(test::solid(64, 48, 200, 120, 40));
    ASSERT_TRUE(test::waitUntilLoaded(panel.model));
    panel.model.setTool(Tool::convert);
    panel.pressCtrlReturn();
    ASSERT_TRUE(panel.model.progress().has_value());

    EXPECT_FALSE(panel.named("toolTabs")->isEnabled());
    EXPECT_FALSE(panel.named("convertOptions")->isEnabled());
    EXPECT_FALSE(test::isShown(panel.runButton()));
    EXPECT_TRUE(test::isShown(panel.named("runProgress")));
    EXPECT_TRUE(panel.named("cancelButton")->isEnabled());

    panel.model.setProgress(0.25);
    panel.model.setStatus(std::nullopt);
    EXPECT_EQ(test::child<QProgressBar>(panel.panel, "progressBar")->value(), 250);
    EXPECT_EQ(test::child<QLabel>(panel.panel, "statusLine")->text(), "Working…");
    panel.model.setStatus(QStringLiteral("Pass 1 of 2…"));
    EXPECT_EQ(test::child<QLabel>(panel.panel, "statusLine")->text(), "Pass 1 of 2…");

    QTest::mouseClick(test::child<QAbstractButton>(panel.panel, "cancelButton"), Qt::LeftButton);
    EXPECT_FALSE(panel.model.progress().has_value());
    EXPECT_TRUE(test::isShown(panel.runButton()));
    EXPECT_TRUE(panel.named("toolTabs")->isEnabled());
    EXPECT_TRUE(panel.named("convertOptions")->isEnabled());
    EXPECT_FALSE(panel.model.errorMessage().has_value());
}

} // namespace
} // namespace orvane
