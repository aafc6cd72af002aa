#include "app/about_box.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kIconPixels = 48;
// The box keeps the proportions of a 235 x 67 dialog-unit form at the current font.
constexpr int kWidthUnits = 235;
constexpr int kHeightUnits = 67;

} // namespace

CDialogAbout::CDialogAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("aboutDialog");
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName("aboutIcon");
    icon->setPixmap(QIcon(":/icons/chorelin.svg").pixmap(kIconPixels, kIconPixels));
    icon->setFixedSize(kIconPixels, kIconPixels);

    auto* product = new QLabel(QStringLiteral("Chorelin Version 1.04"), this);
    product->setObjectName("aboutProduct");
    auto* notice = new QLabel(QStringLiteral("Copyright (C) Marrowby"), this);
    notice->setObjectName("aboutNotice");

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("aboutOk");
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addStretch();
    texts->addWidget(product);
    texts->addWidget(notice);
    texts->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(fontMetrics().averageCharWidth() * 2);
    top->addLayout(texts, 1);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(ok);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow);

    // A dialog unit is a quarter of the average character width and an eighth of the height;
    // a larger font or a longer text may still widen the box.
    const QFontMetrics metrics = fontMetrics();
    const QSize unitsSize(kWidthUnits * metrics.averageCharWidth() / 4,
                          kHeightUnits * metrics.height() / 8);
    setFixedSize(sizeHint().expandedTo(unitsSize));
    ok->setFocus();
}
