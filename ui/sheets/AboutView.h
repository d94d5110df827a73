#pragma once

#include "ui/sheets/SheetDialog.h"

#include <QString>

namespace orvane {

// The application's name, version, help pages and open-source notices.
class AboutView : public SheetDialog {
    Q_OBJECT
public:
    // Whatever it shows: the notices scroll inside it.
    static constexpr QSize sheetSize{520, 600};

    explicit AboutView(QWidget* parent = nullptr);

    // "0.1.0 (12)": the version, then the build number in parentheses.
    static QString versionText();
    // The open-source notices, exactly as the sheet shows them.
    static QString noticesText();
};

} // namespace orvane
