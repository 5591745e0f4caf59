// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/sheet_font_page.h"

#include "core/image_budget.h"
#include "core/text_image_fonts.h"
#include "lumivo_doc.h"
#include "ui/qt_text.h"
#include "ui/tr_format.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

using lumivo::Tr;

namespace {

// The preview's box: the board drawn with LEDs as large as fit it.
constexpr int kPreviewWidth = 560;
constexpr int kPreviewHeight = 140;

constexpr const char* kColorKeys[8] = {nullptr, "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White"};

QColor LedColor(unsigned nibble)
{
    return QColor(nibble & 1 ? 255 : 0, nibble & 2 ? 255 : 0, nibble & 4 ? 255 : 0);
}

QIcon Swatch(unsigned nibble)
{
    QPixmap p(12, 12);
    p.fill(LedColor(nibble));
    return QIcon(p);
}

QString Joined(const lumivo::Result& r)
{
    QStringList lines;
    for (const lumivo::Message& m : r.messages())
        lines << QString::fromStdString(m.text);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

CFontTextPage::CFontTextPage(CLumivoDoc& doc, QWidget* parent) : CQVSheetPage(doc, kIndex, parent)
{
    setObjectName(QStringLiteral("FontTextPage"));
    m_draft.Start(doc.Core());
    m_text = new QLineEdit(this);
    m_text->setMaxLength(int(lumivo::kMaxTextImageChars));
    m_search = new QLineEdit(this);
    m_search->setClearButtonEnabled(true);
    m_fonts = new QListWidget(this);
    m_fonts->setMinimumHeight(90);
    QStringList families;
    for (const std::string& f : lumivo::FontFamilies())
        families << QString::fromStdString(f);
    m_fonts->addItems(families);
    m_file = new QPushButton(this);
    m_file->setAutoDefault(false);
    m_height = new QSpinBox(this);
    m_height->setRange(lumivo::kMinTextHeight,
                       std::clamp(lumivo::BoardHeight(doc.Core()), lumivo::kMinTextHeight, lumivo::kMaxTextHeight));
    m_height->setValue(std::min(16, m_height->maximum()));
    m_color = new QComboBox(this);
    m_color2 = new QComboBox(this);
    m_color2->addItem(QString(), 0);
    for (unsigned c = 1; c < 8; ++c) {
        m_color->addItem(Swatch(c), QString(), c);
        m_color2->addItem(Swatch(c), QString(), c);
    }
    m_fallback = new QComboBox(this);
    m_fallback->addItem(QString());
    m_fallback->addItems(families);
    m_bold = new QCheckBox(this);
    m_outline = new QCheckBox(this);
    m_fixed = new QCheckBox(this);
    m_preview = new QLabel(this);
    m_preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    m_preview->setAlignment(Qt::AlignCenter);
    m_notice = new QLabel(this);
    m_notice->setWordWrap(true);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_size = new QLabel(this);
    m_size->setWordWrap(true);
    m_size->installEventFilter(this);
    m_split = new QPushButton(this);
    m_split->setAutoDefault(false);
    m_split->hide();

    for (QLabel*& l : m_labels)
        l = new QLabel(this);
    m_labels[0]->setBuddy(m_text);
    m_labels[1]->setBuddy(m_search);
    m_labels[2]->setBuddy(m_height);
    m_labels[3]->setBuddy(m_color);
    m_labels[4]->setBuddy(m_color2);
    m_labels[5]->setBuddy(m_fallback);
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(m_search, 1);
    fontRow->addWidget(m_file);
    auto* styles = new QHBoxLayout;
    styles->addWidget(m_bold);
    styles->addWidget(m_outline);
    styles->addWidget(m_fixed);
    styles->addStretch(1);
    auto* form = new QFormLayout;
    form->addRow(m_labels[0], m_text);
    form->addRow(m_labels[1], fontRow);
    form->addRow(QString(), m_fonts);
    form->addRow(m_labels[5], m_fallback);
    form->addRow(m_labels[2], m_height);
    form->addRow(m_labels[3], m_color);
    form->addRow(m_labels[4], m_color2);
    form->addRow(QString(), styles);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_labels[6]);
    layout->addWidget(m_preview);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_size, 1);
    sizeRow->addWidget(m_split, 0, Qt::AlignTop);
    layout->addLayout(sizeRow);
    layout->addWidget(m_notice);
    layout->addStretch(1);

    connect(m_text, &QLineEdit::textChanged, this, &CFontTextPage::Changed);
    connect(m_search, &QLineEdit::textChanged, this, &CFontTextPage::Filter);
    // Down from the search field goes on into the list it filters.
    connect(m_search, &QLineEdit::returnPressed, this, [this] { m_fonts->setFocus(Qt::TabFocusReason); });
    connect(m_fonts, &QListWidget::currentRowChanged, this, &CFontTextPage::Changed);
    connect(m_file, &QPushButton::clicked, this, &CFontTextPage::ChooseFile);
    connect(m_split, &QPushButton::clicked, this, &CFontTextPage::splitRequested);
    connect(m_height, &QSpinBox::valueChanged, this, &CFontTextPage::Changed);
    for (QComboBox* box : {m_color, m_color2, m_fallback})
        connect(box, &QComboBox::currentIndexChanged, this, &CFontTextPage::Changed);
    for (QCheckBox* box : {m_bold, m_outline, m_fixed})
        connect(box, &QCheckBox::toggled, this, &CFontTextPage::Changed);
    setFocusProxy(m_text);

    // A sans-serif face to start with, as most signs use.
    ++m_loading;
    const QList<QListWidgetItem*> sans = m_fonts->findItems(QStringLiteral("DejaVu Sans"), Qt::MatchExactly);
    m_fonts->setCurrentRow(sans.isEmpty() ? 0 : m_fonts->row(sans.front()));
    --m_loading;
    Relabel();
    Redraw();
}

void CFontTextPage::Relabel()
{
    m_labels[0]->setText(Tr("FontPage", "Text"));
    m_labels[1]->setText(Tr("FontPage", "Font"));
    m_labels[2]->setText(Tr("FontPage", "Height"));
    m_labels[3]->setText(Tr("FontPage", "Color"));
    m_labels[4]->setText(Tr("FontPage", "Color2"));
    m_labels[5]->setText(Tr("FontPage", "Fallback"));
    m_labels[6]->setText(Tr("FontPage", "Preview"));
    m_search->setPlaceholderText(Tr("FontPage", "Search"));
    m_file->setText(Tr("FontPage", "FontFile"));
    m_bold->setText(Tr("FontPage", "Bold"));
    m_outline->setText(Tr("FontPage", "Outline"));
    m_fixed->setText(Tr("FontPage", "Fixed"));
    m_split->setText(Tr("FontPage", "Split"));
    m_split->setToolTip(Tr("FontPage", "SplitToolTip"));
    for (unsigned c = 1; c < 8; ++c) {
        m_color->setItemText(int(c) - 1, Tr("FontPage", kColorKeys[c]));
        m_color2->setItemText(int(c), Tr("FontPage", kColorKeys[c]));
    }
    m_color2->setItemText(0, Tr("FontPage", "NoBlend"));
    m_fallback->setItemText(0, Tr("FontPage", "NoFallback"));
    Redraw();
}

void CFontTextPage::Activate() { m_text->setFocus(Qt::OtherFocusReason); }

bool CFontTextPage::Shows(const CLumivo& item) const
{
    const auto slot = lumivo::UserImageSlot(m_doc.Core().Content(), item);
    return slot && *slot < m_draft.images.size() && m_draft.recipes.bySlot.count(*slot);
}

lumivo::TextRecipe CFontTextPage::Recipe() const
{
    lumivo::TextRecipe r;
    r.text = m_text->text().toStdString();
    if (const QListWidgetItem* font = m_fonts->currentItem())
        r.font = (font->data(Qt::UserRole).isValid() ? font->data(Qt::UserRole).toString() : font->text()).toStdString();
    if (m_fallback->currentIndex() > 0)
        r.fallbackFont = m_fallback->currentText().toStdString();
    r.height = m_height->value();
    r.color = m_color->currentData().toUInt();
    if (const unsigned c2 = m_color2->currentData().toUInt(); c2 && c2 != r.color)
        r.color2 = c2;
    r.bold = m_bold->isChecked();
    r.outline = m_outline->isChecked();
    r.spacing = m_fixed->isChecked() ? lumivo::Spacing::Fixed : lumivo::Spacing::Proportional;
    return r;
}

void CFontTextPage::Changed()
{
    Redraw();
    if (!m_loading)
        emit edited();
}

void CFontTextPage::Filter(const QString& text)
{
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < m_fonts->count(); ++i) {
        QListWidgetItem* row = m_fonts->item(i);
        const bool match = row->text().contains(text, Qt::CaseInsensitive);
        row->setHidden(!match);
        if (match && !first)
            first = row;
    }
    // What is typed chooses the first font that matches, unless the chosen one still does.
    if (first && (!m_fonts->currentItem() || m_fonts->currentItem()->isHidden()))
        m_fonts->setCurrentItem(first);
}

void CFontTextPage::ShowFont(const QString& font)
{
    for (int i = 0; i < m_fonts->count(); ++i) {
        const QListWidgetItem* row = m_fonts->item(i);
        const QString name = row->data(Qt::UserRole).isValid() ? row->data(Qt::UserRole).toString() : row->text();
        if (name == font)
            return m_fonts->setCurrentRow(i);
    }
    auto* row = new QListWidgetItem;
    row->setText(QFileInfo(font).exists() ? QFileInfo(font).fileName() : font);
    row->setData(Qt::UserRole, font);
    row->setToolTip(font);
    m_fonts->insertItem(0, row);
    m_fonts->setCurrentRow(0);
}

void CFontTextPage::ChooseFile()
{
    // The kinds FreeType reads, by their usual names.
    QStringList patterns;
    for (const char* ext : {"ttf", "otf", "ttc", "bdf", "pcf", "pcf.gz"})
        patterns << QLatin1String("*.") + QLatin1String(ext);
    const QString filter = Tr("FontPage", "FontFiles") + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    const QString path = chooseFontFile
                             ? chooseFontFile()
                             : QFileDialog::getOpenFileName(this, Tr("FontPage", "FontFileTitle"), QString(), filter);
    if (!path.isEmpty())
        ShowFont(path);
}

void CFontTextPage::Redraw()
{
    const int boardWidth = int(m_doc.ModuleColumns()) * 16;
    const int boardHeight = lumivo::BoardHeight(m_doc.Core());
    m_shown = {};
    const lumivo::TextRecipe recipe = Recipe();
    lumivo::Result r;
    if (recipe.text.empty())
        r.Warn(Tr("FontPage", "TypeText").toStdString());
    else
        r = lumivo::RenderTextPixels(recipe, boardHeight, m_shown);
    if (!r)
        m_shown = {};
    m_notice->setText(Joined(r));
    m_notice->setStyleSheet(r ? QString() : QStringLiteral("color: #c00000;"));

    // The board as it will show the image: centred, as images are, so a
    // wider one loses both its sides.
    const int led = std::clamp(std::min(kPreviewWidth / std::max(boardWidth, 1), kPreviewHeight / std::max(boardHeight, 1)), 1, 8);
    QImage board(boardWidth * led, boardHeight * led, QImage::Format_RGB32);
    board.fill(Qt::black);
    QPainter paint(&board);
    paint.setRenderHint(QPainter::Antialiasing, led >= 4);
    paint.setPen(Qt::NoPen);
    for (int y = 0; y < boardHeight; ++y)
        for (int x = 0; x < boardWidth; ++x) {
            const int sx = x - (boardWidth - m_shown.width) / 2;
            const unsigned nibble = sx >= 0 && sx < m_shown.width && y < m_shown.height
                                        ? m_shown.nibbles[size_t(y) * size_t(m_shown.width) + size_t(sx)]
                                        : 0;
            paint.setBrush(nibble ? LedColor(nibble) : QColor(40, 40, 40));
            if (led >= 3)
                paint.drawEllipse(QRectF(x * led + 0.5, y * led + 0.5, led - 1.0, led - 1.0));
            else
                paint.drawRect(x * led, y * led, led, led);
        }
    paint.end();
    m_preview->setPixmap(QPixmap::fromImage(board));

    QString size;
    m_split->setVisible(m_shown.width > boardWidth);
    if (m_shown.width > 0) {
        size = lumivo::TrFormat("FontPage", "Size",
                                {QString::number(m_shown.width), QString::number(m_shown.height),
                                 QString::number(m_shown.width * m_shown.height / 2)});
        if (const std::string cut = lumivo::WiderThanBoardText(m_shown.width, boardWidth); !cut.empty())
            size += QLatin1Char(' ') + QString::fromStdString(cut);
        size += QLatin1Char('\n');
    }
    m_size->setText(size + QString::fromStdString(lumivo::UserImageMeterText(lumivo::MeasureUserImages(m_draft.images))));
    FitSize();
}

void CFontTextPage::FitSize()
{
    // The sheet does not pass a wrapped label's height on to the editor, so
    // the warning would be squeezed over the controls above it. Only once
    // laid out: the width before that would give a far taller label.
    if (m_size->isVisible())
        m_size->setMinimumHeight(m_size->heightForWidth(m_size->width()));
}

bool CFontTextPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_size && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        FitSize();
    return CQVSheetPage::eventFilter(watched, event);
}

lumivo::Result CFontTextPage::Choices(lumivo::ItemChoices& choices)
{
    lumivo::TextImageDraft next = m_draft;
    const unsigned slot = m_target.value_or(unsigned(next.images.size()));
    m_target.reset();
    lumivo::Result r = next.Draw(Recipe(), lumivo::BoardHeight(m_doc.Core()), slot);
    if (!r)
        return r;
    m_pending = std::move(next);
    const CContent& content = m_doc.Core().Content();
    choices.index = content.GetContentCount(CONTENT_IMAGE) - content.GetUserImageMX() + slot;
    choices.lines = unsigned(std::max(1, (m_height->value() + 15) / 16));
    return r;
}

void CFontTextPage::BuildFor(const CLumivo* replaced)
{
    m_target.reset();
    if (replaced && Shows(*replaced))
        m_target = lumivo::UserImageSlot(m_doc.Core().Content(), *replaced);
}

void CFontTextPage::Placed(bool taken)
{
    if (taken && m_pending) {
        m_draft = std::move(*m_pending);
        m_drawn = true;
        emit draftChanged();
        Redraw(); // the meter counts the new image
    }
    m_pending.reset();
}

void CFontTextPage::Load(const CLumivo& item)
{
    const auto slot = lumivo::UserImageSlot(m_doc.Core().Content(), item);
    if (!slot || !m_draft.recipes.bySlot.count(*slot))
        return;
    const lumivo::TextRecipe& r = m_draft.recipes.bySlot.at(*slot);
    ++m_loading;
    m_text->setText(QString::fromStdString(r.text));
    m_search->clear();
    ShowFont(QString::fromStdString(r.font));
    const int fallback = r.fallbackFont.empty() ? 0 : m_fallback->findText(QString::fromStdString(r.fallbackFont));
    if (fallback < 0)
        m_fallback->addItem(QString::fromStdString(r.fallbackFont));
    m_fallback->setCurrentIndex(fallback < 0 ? m_fallback->count() - 1 : fallback);
    if (r.height > m_height->maximum())
        m_height->setMaximum(r.height); // an image made for a taller board keeps its height
    m_height->setValue(r.height);
    m_color->setCurrentIndex(m_color->findData(r.color));
    m_color2->setCurrentIndex(std::max(0, m_color2->findData(r.color2.value_or(0))));
    m_bold->setChecked(r.bold);
    m_outline->setChecked(r.outline);
    m_fixed->setChecked(r.spacing == lumivo::Spacing::Fixed);
    --m_loading;
    Redraw();
}
