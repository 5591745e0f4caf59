// SPDX-License-Identifier: GPL-2.0-or-later
// CQVSheetContentPage: the Image (index 2), Movie (3) and Animation (4)
// pages. The library's pictures of that kind as a list of thumbnails (the
// user images after the library's own images); the chosen movie or
// animation plays in its thumbnail. The delay list gives the effects' speed
// byte (3 x d + 5 for entry d); the lines list the item's height.
#pragma once

#include "ui/editor/sheet_page.h"

#include <QBasicTimer>
#include <QImage>

class QLabel;
class QListWidget;

class CQVSheetContentPage : public CQVSheetPage {
    Q_OBJECT
public:
    // Entries of the delay list: d = 0 to 30 (speed bytes 5 to 95).
    static constexpr int kDelays = 31;
    static constexpr int kDefaultDelay = 15;

    CQVSheetContentPage(CLumivoDoc& doc, int index, QWidget* parent = nullptr);

    lumivo::Result Choices(lumivo::ItemChoices& choices) override;
    void Load(const CLumivo& item) override;
    void Relabel() override;
    void Activate() override;

    QListWidget* Pictures() const { return m_pictures; }
    QComboBox* DelayList() const { return m_delay; }
    QComboBox* LinesList() const { return m_lines; }
    // The frame the chosen thumbnail shows.
    int ShownFrame() const { return m_frame; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    // The picture's frame f, scaled into a thumbnail.
    QPixmap Thumbnail(const QImage& picture, int frameHeight, int frame) const;
    void Chosen();

    QLabel* m_label[3];
    QListWidget* m_pictures;
    QComboBox* m_delay;
    QComboBox* m_lines;
    QImage m_playing; // the chosen picture, every frame
    int m_frameHeight = 0;
    int m_frames = 1;
    int m_frame = 0;
    QBasicTimer m_timer;
};
