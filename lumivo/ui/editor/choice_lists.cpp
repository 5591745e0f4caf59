// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/choice_lists.h"

#include "core/item_text.h"
#include "ui/editor/glyph_image.h"
#include "ui/qt_text.h"

#include <qvr/glyph.h>

#include <QComboBox>

#include <algorithm>
#include <iterator>
#include <string>

namespace lumivo {

namespace {

constexpr int kSampleFrames = 4;

// A sample text that shows the library's own script beside Latin.
std::u16string Sample(const CContent* content)
{
    return content && content->GetContentLanguage() == qvr::kLanguageHangul ? u"Aa가" : u"Aa中";
}

void AddEntry(QComboBox* box, const QString& text, const CContent* content, const QVXF& attr,
              std::u16string_view sample, int frames, const QVariant& data = {}, const QString& tip = {})
{
    if (content) {
        const QPixmap icon = ChoiceSample(*content, sample, attr, frames, 1);
        box->setIconSize(box->iconSize().expandedTo(icon.size()));
        box->addItem(QIcon(icon), text, data);
    } else {
        box->addItem(text, data);
    }
    box->setItemData(box->count() - 1, tip.isEmpty() ? text : tip, Qt::ToolTipRole);
}

// The look of each face, in face order: the Hangul faces of a Korean
// library, the Latin faces (repeating) of the others.
const char* FaceStyle(const CContent* content, unsigned face)
{
    static const char* const hangul[] = {"FaceSans",     "FaceSerif",     "FaceRounded", "FaceSansBold",
                                         "FaceHeadline", "FaceSerifBold", "FaceSharp",   "FaceSquare",
                                         "FacePlain",    "FaceOutlineBold"};
    static const char* const latin[] = {"FaceNarrow", "FaceNarrowBold", "FaceScreen", "FaceFixed", "FaceSansBold"};
    if (content && content->GetContentLanguage() == qvr::kLanguageHangul)
        return hangul[face % std::size(hangul)];
    return latin[face % std::size(latin)];
}

bool TallGlyphs(const CContent* content) { return content && content->GetContentRow() >= qvr::kContentRow32; }

} // namespace

QString SecondsPerStep(unsigned speed) { return QString::number(((speed >> 3) + 1) * 0.005, 'f', 3); }

QString Tip(const char* key, const std::vector<FormatArg>& args)
{
    return FromU16(FormatText(LangText("EditorTips", key), args));
}

void FillFaceList(QComboBox* box, const CContent* content)
{
    box->clear();
    const unsigned faces = std::max(content ? content->GetFntCount() : 0u, 1u);
    for (unsigned f = 0; f < faces && f < 32; ++f) {
        QVXF a;
        a.face = f;
        const QString text = FromU16(FormatText(LangText("Format", "fmtTxtFont"), {static_cast<long long>(f) + 1}));
        AddEntry(box, text, content, a, Sample(content), 1, {},
                 Tip("TipFace", {static_cast<long long>(f) + 1, LangText("EditorTips", FaceStyle(content, f)),
                                 std::u16string(TallGlyphs(content) ? u"16 / 32" : u"16")}));
    }
    FollowTips(box);
}

QString ColorRowName(unsigned row)
{
    const std::string key = "Color" + std::to_string(row); // keys Color0 .. Color22
    return row < qvr::kColorRows ? FromU16(LangText("EditorTips", key)) : QString();
}

QString AttribName(unsigned row)
{
    // The rows past the animated ones draw plainly.
    const std::string key = "Attrib" + std::to_string(row < 16 ? row : 0); // keys Attrib0 .. Attrib15
    return row < qvr::kAttribRows ? FromU16(LangText("EditorTips", key)) : QString();
}

void ShowTip(QComboBox* box)
{
    const int i = box->currentIndex();
    box->setToolTip(i >= 0 ? box->itemData(i, Qt::ToolTipRole).toString() : QString());
}

void FollowTips(QComboBox* box)
{
    QObject::connect(box, &QComboBox::currentIndexChanged, box, [box] { ShowTip(box); });
    ShowTip(box);
}

namespace {

// One entry per table row, numbered from 1, each a sample in that row.
template <class SetRow>
void FillRows(QComboBox* box, const CContent* content, unsigned rows, SetRow setRow, QString (*name)(unsigned),
              const char* tip)
{
    box->clear();
    for (unsigned row = 0; row < rows; ++row) {
        QVXF a;
        setRow(a, row);
        AddEntry(box, QStringLiteral("%1  %2").arg(row + 1).arg(name(row)), content, a, u"A", kSampleFrames, {},
                 Tip(tip, {static_cast<long long>(row) + 1, name(row).toStdU16String()}));
    }
    // Closed, the list is as narrow as a short name; open, it shows them whole.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(8);
    FollowTips(box);
}

} // namespace

void FillColorList(QComboBox* box, const CContent* content)
{
    FillRows(box, content, qvr::kColorRows, [](QVXF& a, unsigned row) { a.color = row; }, ColorRowName, "TipColor");
}

void FillAttribList(QComboBox* box, const CContent* content)
{
    FillRows(box, content, qvr::kAttribRows, [](QVXF& a, unsigned row) { a.attrib = row; }, AttribName, "TipAttrib");
}

void FillWidthList(QComboBox* box, const CContent* content)
{
    box->clear();
    for (unsigned entry = 0; entry < 4; ++entry) {
        QVXF a;
        a.widthIndex = entry + 1;
        AddEntry(box, QString::number(gWF[entry + 1]), content, a, Sample(content).substr(1), 1, {},
                 Tip("TipWidth", {static_cast<long long>(gWF[entry + 1])}));
    }
    FollowTips(box);
}

void FillSizeList(QComboBox* box, const CContent* content)
{
    box->clear();
    // The 32-dot glyph sets come with the libraries of boards two rows high or more.
    const bool tall = content && content->GetContentRow() >= qvr::kContentRow32;
    for (unsigned size : {2u, 4u}) {
        if (size == 4 && !tall)
            break;
        QVXF a;
        a.size = size;
        AddEntry(box, QString::number(size * 8), content, a, u"A", 1, size, Tip("TipSize", {static_cast<long long>(size) * 8}));
    }
    FollowTips(box);
}

void FillLinesList(QComboBox* box, unsigned first, unsigned last)
{
    box->clear();
    for (unsigned n = first; n <= last; ++n) {
        box->addItem(QString::number(n), n);
        box->setItemData(box->count() - 1, Tip("TipLines", {static_cast<long long>(n)}), Qt::ToolTipRole);
    }
    FollowTips(box);
}

} // namespace lumivo

CGlyphGrid::CGlyphGrid(Kind kind, QWidget* parent) : QListWidget(parent), m_kind(kind)
{
    setViewMode(QListView::IconMode);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setIconSize(QSize(32, 32));
    setGridSize(QSize(38, 38));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { emit chosen(CellAt(row(item))); });
}

void CGlyphGrid::SetContent(const CContent* content)
{
    m_content = content;
    m_filled = false;
    clear();
    if (isVisible())
        Fill();
}

CLumiChar CGlyphGrid::CellAt(int r) const
{
    const QListWidgetItem* it = item(r);
    CLumiChar c;
    if (!it)
        return c;
    c.code = static_cast<uint16_t>(it->data(Qt::UserRole).toUInt());
    if (m_kind == Kind::Moves)
        c.attr.kind = qvr::kKindMove;
    return c;
}

void CGlyphGrid::Fill()
{
    if (m_filled || !m_content)
        return;
    m_filled = true;
    std::vector<uint16_t> codes;
    if (m_kind == Kind::Moves) {
        for (unsigned m = 1; m <= m_content->GetContentCount(CONTENT_MOVE); ++m)
            codes.push_back(static_cast<uint16_t>(m));
    } else {
        // Every code the symbol set draws, in the set's order.
        std::vector<std::pair<unsigned, uint16_t>> symbols;
        for (unsigned c = qvr::kLatinLimit; c < 0xFFFF; ++c) {
            if ((c >= 0x4E00 && c < 0x9FB0) || (c >= 0xF900 && c < 0xFB00) || (c >= 0xAC00 && c < 0xD7B0))
                continue;
            const unsigned s = m_content->m_CodeTable[c][0];
            if (s < qvr::kSymbols)
                symbols.emplace_back(s, static_cast<uint16_t>(c));
        }
        std::sort(symbols.begin(), symbols.end());
        for (size_t i = 0; i < symbols.size(); ++i)
            if (i == 0 || symbols[i].first != symbols[i - 1].first)
                codes.push_back(symbols[i].second);
    }
    setUpdatesEnabled(false);
    for (uint16_t code : codes) {
        CLumiChar c;
        c.code = code;
        if (m_kind == Kind::Moves)
            c.attr.kind = qvr::kKindMove;
        auto* it = new QListWidgetItem(QIcon(lumivo::Magnified(lumivo::CellsImage(*m_content, {c}, 0, 16), 2)), QString(), this);
        it->setData(Qt::UserRole, code);
        it->setToolTip((m_kind == Kind::Moves ? QString::number(code)
                                              : QStringLiteral("%1  U+%2").arg(QChar(code), QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0')))) +
                       QLatin1Char('\n') + lumivo::Tip("TipSymbols", {}));
    }
    setUpdatesEnabled(true);
}

void CGlyphGrid::showEvent(QShowEvent* e)
{
    QListWidget::showEvent(e);
    Fill();
}
