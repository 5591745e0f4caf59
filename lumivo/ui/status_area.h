// SPDX-License-Identifier: GPL-2.0-or-later
// CStatusArea: the permanent part of the status bar. It shows the project's
// board (modules, content language), how many of the 50 items are used, the
// board link, the preview's zoom, and for a few seconds after a save which
// file was saved.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

class QLabel;
namespace lumivo {
class CProjectCore;
}

class CStatusArea : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSavedMs = 5000;

    explicit CStatusArea(QWidget* parent = nullptr);

    // Board and item count of the project as it is now.
    void ShowProject(const lumivo::CProjectCore& core);
    // Every text again in the selected language.
    void Relabel();

    QString BoardText() const;
    QString ItemsText() const;
    QString LinkText() const;
    QString ZoomText() const;
    QString SavedText() const;

public slots:
    // The board link as the link's code words it; empty: "Not connected".
    void SetLink(const QString& text);
    void SetZoom(const QString& text);
    // "Saved <file name>", for kSavedMs.
    void ShowSaved(const QString& path);

private:
    void Refresh();

    QLabel* m_saved;
    QLabel* m_board;
    QLabel* m_items;
    QLabel* m_link;
    QLabel* m_zoom;
    QTimer m_savedTimer;
    QString m_linkText;
    QString m_savedFile;
    unsigned m_rows = 0;
    unsigned m_columns = 0;
    unsigned m_language = 0;
    size_t m_itemCount = 0;
};
