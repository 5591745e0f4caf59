// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/status_area.h"

#include "core/item_text.h"
#include "core/project.h"
#include "ui/qt_text.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>

namespace {

QString Format(const char* key, const std::vector<lumivo::FormatArg>& args)
{
    return lumivo::FromU16(lumivo::FormatText(lumivo::LangText("StatusArea", key), args));
}

QLabel* Field(QHBoxLayout* row, const char* name)
{
    auto* label = new QLabel;
    label->setObjectName(QLatin1String(name));
    row->addWidget(label);
    return label;
}

} // namespace

CStatusArea::CStatusArea(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StatusArea"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    m_saved = Field(row, "StatusSaved");
    row->addStretch(1);
    m_board = Field(row, "StatusBoard");
    m_items = Field(row, "StatusItems");
    m_link = Field(row, "StatusLink");
    m_zoom = Field(row, "StatusZoom");
    m_zoom->hide(); // until the preview tells its zoom
    m_savedTimer.setSingleShot(true);
    connect(&m_savedTimer, &QTimer::timeout, this, [this] {
        m_savedFile.clear();
        Refresh();
    });
    Refresh();
}

void CStatusArea::ShowProject(const lumivo::CProjectCore& core)
{
    m_rows = core.Board().moduleRow;
    m_columns = core.Board().moduleColumn;
    m_language = core.Board().language;
    m_itemCount = core.ItemCount();
    Refresh();
}

void CStatusArea::Relabel() { Refresh(); }

void CStatusArea::SetLink(const QString& text)
{
    m_linkText = text;
    Refresh();
}

void CStatusArea::SetZoom(const QString& text)
{
    m_zoom->setText(text);
    m_zoom->setVisible(!text.isEmpty());
}

void CStatusArea::ShowSaved(const QString& path)
{
    m_savedFile = QFileInfo(path).fileName();
    m_savedTimer.start(kSavedMs);
    Refresh();
}

void CStatusArea::Refresh()
{
    // 'A' boards draw Hangul; 'E' boards Latin letters and Chinese.
    const QString language = lumivo::Tr("StatusArea", m_language == 'A' ? "LangKorean" : "LangLatin");
    m_board->setText(Format("Board", {(long long)m_rows, (long long)m_columns, language.toStdU16String()}));
    m_items->setText(Format("Items", {(long long)m_itemCount, (long long)lumivo::kMaxItems}));
    m_link->setText(m_linkText.isEmpty() ? lumivo::Tr("StatusArea", "NotConnected") : m_linkText);
    m_saved->setText(m_savedFile.isEmpty() ? QString() : Format("Saved", {m_savedFile.toStdU16String()}));
}

QString CStatusArea::BoardText() const { return m_board->text(); }
QString CStatusArea::ItemsText() const { return m_items->text(); }
QString CStatusArea::LinkText() const { return m_link->text(); }
QString CStatusArea::ZoomText() const { return m_zoom->text(); }
QString CStatusArea::SavedText() const { return m_saved->text(); }
