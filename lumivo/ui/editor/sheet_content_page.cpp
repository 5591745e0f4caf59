// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/sheet_content_page.h"

#include "core/item_text.h"
#include "lumivo_doc.h"
#include "ui/editor/choice_lists.h"
#include "ui/qt_text.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <vector>

namespace {

constexpr QSize kThumb(96, 48);
constexpr int kFrameMs = 120;

// The picture with all its frames, one pixel per LED; null when the
// library has no such picture.
QImage Picture(const CContent& content, LUMIVO_TYPE type, int index, RGX_HEADER& header)
{
    header = content.GetContentHeader(type, index);
    BITMAP bm;
    if (!content.GetContentInfo(type, index, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0 || bm.bmWidthBytes <= 0)
        return {};
    std::vector<unsigned char> pixels(size_t(bm.bmWidthBytes) * size_t(bm.bmHeight));
    if (!content.GetContentData(type, index, pixels.data(), pixels.size()))
        return {};
    QImage image(pixels.data(), bm.bmWidth, bm.bmHeight, bm.bmWidthBytes, QImage::Format_RGB32);
    return image.copy(); // owns its pixels
}

} // namespace

CQVSheetContentPage::CQVSheetContentPage(CLumivoDoc& doc, int index, QWidget* parent) : CQVSheetPage(doc, index, parent)
{
    m_pictures = new QListWidget(this);
    m_pictures->setViewMode(QListView::IconMode);
    m_pictures->setResizeMode(QListView::Adjust);
    m_pictures->setMovement(QListView::Static);
    m_pictures->setIconSize(kThumb);
    m_pictures->setUniformItemSizes(true);
    const auto type = static_cast<LUMIVO_TYPE>(GetItemKind());
    const CContent& content = doc.Core().Content();
    const unsigned count = content.GetContentCount(static_cast<ContentType>(qvr::ContentTypeOfItem(type)));
    for (unsigned i = 0; i < count; ++i) {
        RGX_HEADER header;
        const QImage picture = Picture(content, type, int(i), header);
        auto* row = new QListWidgetItem(Thumbnail(picture, header.height, 0), QString::number(i + 1), m_pictures);
        row->setData(Qt::UserRole, i);
    }
    if (count)
        m_pictures->setCurrentRow(0);
    m_delay = new QComboBox(this);
    for (int d = 0; d < kDelays; ++d) {
        m_delay->addItem(QString::number(d + 1), d);
        // The item's speed is 3 x d + 5 (see the item builder).
        m_delay->setItemData(d, lumivo::Tip("TipFrameDelay", {lumivo::SecondsPerStep(unsigned(3 * d + 5)).toStdU16String()}),
                             Qt::ToolTipRole);
    }
    lumivo::FollowTips(m_delay);
    m_delay->setCurrentIndex(kDefaultDelay);
    m_lines = MakeLinesList();
    for (QLabel*& l : m_label)
        l = new QLabel(this);
    m_label[0]->setBuddy(m_pictures);
    m_label[1]->setBuddy(m_delay);
    m_label[2]->setBuddy(m_lines);
    auto* form = new QFormLayout;
    form->addRow(m_label[1], m_delay);
    form->addRow(m_label[2], m_lines);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label[0]);
    layout->addWidget(m_pictures, 1);
    layout->addLayout(form);
    connect(m_pictures, &QListWidget::currentRowChanged, this, [this] {
        Chosen();
        emit edited();
    });
    connect(m_delay, &QComboBox::currentIndexChanged, this, &CQVSheetPage::edited);
    setFocusProxy(m_pictures);
    Chosen();
    Relabel();
}

void CQVSheetContentPage::Relabel()
{
    m_label[0]->setText(lumivo::Tr("ContentDialog", "Select"));
    m_label[1]->setText(lumivo::Tr("ContentDialog", "Delay"));
    m_label[2]->setText(lumivo::Tr("ContentDialog", "Row"));
}

void CQVSheetContentPage::Activate() { m_pictures->setFocus(Qt::OtherFocusReason); }

QPixmap CQVSheetContentPage::Thumbnail(const QImage& picture, int frameHeight, int frame) const
{
    QImage canvas(kThumb, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    if (!picture.isNull()) {
        const int h = frameHeight > 0 ? std::min(frameHeight, picture.height()) : picture.height();
        const QImage shot = picture.copy(0, std::min(frame * h, picture.height() - h), picture.width(), h);
        // Whole LEDs: the largest whole zoom that fits, at least one.
        const int zoom = std::max(1, std::min(kThumb.width() / std::max(shot.width(), 1), kThumb.height() / std::max(h, 1)));
        const QImage big = shot.width() * zoom <= kThumb.width() && h * zoom <= kThumb.height()
                               ? shot.scaled(shot.size() * zoom)
                               : shot.scaled(kThumb, Qt::KeepAspectRatio);
        for (int y = 0; y < big.height() && y < canvas.height(); ++y)
            for (int x = 0; x < big.width() && x < canvas.width(); ++x)
                canvas.setPixel((kThumb.width() - big.width()) / 2 + x, (kThumb.height() - big.height()) / 2 + y,
                                big.pixel(x, y));
    }
    return QPixmap::fromImage(canvas);
}

void CQVSheetContentPage::Chosen()
{
    m_timer.stop();
    m_frame = 0;
    m_playing = QImage();
    const int row = m_pictures->currentRow();
    const auto type = static_cast<LUMIVO_TYPE>(GetItemKind());
    if (row < 0 || type == LUMIVO_IMAGE)
        return;
    RGX_HEADER header;
    m_playing = Picture(m_doc.Core().Content(), type, row, header);
    m_frameHeight = header.height;
    m_frames = std::max<int>(header.frames, 1);
    if (!m_playing.isNull() && m_frames > 1 && isVisible())
        m_timer.start(kFrameMs, this);
}

void CQVSheetContentPage::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != m_timer.timerId())
        return CQVSheetPage::timerEvent(e);
    QListWidgetItem* row = m_pictures->currentItem();
    if (!row || m_playing.isNull())
        return m_timer.stop();
    m_frame = (m_frame + 1) % m_frames;
    row->setIcon(Thumbnail(m_playing, m_frameHeight, m_frame));
}

void CQVSheetContentPage::showEvent(QShowEvent* e)
{
    CQVSheetPage::showEvent(e);
    if (!m_playing.isNull() && m_frames > 1)
        m_timer.start(kFrameMs, this);
}

void CQVSheetContentPage::hideEvent(QHideEvent* e)
{
    CQVSheetPage::hideEvent(e);
    m_timer.stop();
}

lumivo::Result CQVSheetContentPage::Choices(lumivo::ItemChoices& choices)
{
    if (m_pictures->currentRow() < 0)
        return CannotSupply();
    choices.index = unsigned(m_pictures->currentRow());
    choices.delay = unsigned(m_delay->currentData().toInt());
    choices.lines = ChosenLines(m_lines);
    return {};
}

void CQVSheetContentPage::Load(const CLumivo& item)
{
    if (item.chars[0].code < m_pictures->count())
        m_pictures->setCurrentRow(item.chars[0].code);
    // The speed byte 3 x d + 5 gives back the delay entry d.
    const int speed = item.effectS.GetSpeed();
    if (speed >= 5 && (speed - 5) % 3 == 0 && (speed - 5) / 3 < kDelays)
        m_delay->setCurrentIndex((speed - 5) / 3);
    ShowLines(m_lines, lumivo::ItemLines(item));
}
