#pragma once
// The section of the holiday list about the official calendar that comes with the program:
// where the built-in table differs from it, and 同梱の公式データを使う, which installs it as an
// import of the file would.

#include <QGroupBox>
#include <functional>

class OfficialDataSection : public QGroupBox {
    Q_OBJECT
public:
    // Installs the official data and puts it in force; false when it did not.
    using Use = std::function<bool()>;

    explicit OfficialDataSection(Use use, QWidget* parent = nullptr);

private:
    Use use_;
};

struct BuiltinDifference;

// One day's difference, "YYYY/MM/DD (曜) ...".
QString builtinDifferenceLine(const BuiltinDifference& difference);
// The differences of the built-in table from the official file, one "YYYY/MM/DD (曜) ..." line
// each, for the section and the first-start notice.
QString builtinDifferencesText(int firstYear);
