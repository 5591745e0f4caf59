// SPDX-License-Identifier: GPL-2.0-or-later
// CUserImageDlg: the project's user images (at most eight) and pictures of
// the user's own made into new ones. Each imported picture keeps its source,
// so its size, fit, conversion and thresholds convert it again at once; the
// result shows as LED dots beside the picture, with the controller's memory
// meter. OK hands the list back; Send also asks for it to go to the
// controller. The dialog never writes into the project itself.
#pragma once

#include "core/picture_convert.h"
#include "core/project.h"
#include "core/user_image.h"
#include "core/user_image_order.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;

class CUserImageDlg : public QDialog {
    Q_OBJECT
public:
    explicit CUserImageDlg(const lumivo::CProjectCore& project, QWidget* parent = nullptr);

    // The filter of the file dialog: every format the image readers know.
    static QString FileFilter();
    // Reads a picture file into 24-bit pixels, transparent parts dark; false
    // with the reason. Pictures of any size lumivo::PictureSizeProblem
    // allows are read; of an animation, frame (0-based), and frames gets
    // how many there are to choose from.
    static bool ReadPicture(const QString& path, lumivo::Rgb24Picture& picture, QString& error, int frame = 0,
                            int* frames = nullptr);
    // The most frames of an animation offered.
    static constexpr int kMaxFrames = 1000;

    // Add: nothing with eight entries; else asks for a file and imports it.
    void Add();
    // Imports a picture file as a new entry; false (with the reason shown)
    // when it cannot be read or is too large, or the list is full.
    bool AddFile(const QString& path);
    // Removes the selected entry; refused, with the items named, while
    // Image items of the project show it.
    void RemoveSelected();
    // The selected entry one place up (-1) or down (+1), staying selected.
    void MoveSelected(int by);
    // The thresholds of the three fields, red in the low byte.
    uint32_t Thresholds() const;
    void SetThresholds(unsigned red, unsigned green, unsigned blue);

    int Count() const { return int(m_entries.size()); }
    QString EntryName(int row) const;
    uint32_t EntryThresholds(int row) const { return m_entries.at(size_t(row)).thresholds; }
    const CUserRGX& EntryImage(int row) const { return m_entries.at(size_t(row)).image; }
    std::vector<CRGX<8192>> Images() const;
    bool SameAs(const std::vector<CRGX<8192>>& images) const;
    // Where each entry was among the project's user images: what its Image
    // items follow.
    lumivo::ImageOrigins Origins() const;

    void SetSendEnabled(bool enabled);
    bool SendRequested() const { return m_send; }

    QListWidget* List() const { return m_list; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* SendButton() const { return m_sendButton; }
    QLabel* Picture() const { return m_picture; }
    QLabel* Original() const { return m_original; }
    QLabel* Meter() const { return m_meter; }
    QComboBox* FitChoice() const { return m_fit; }
    QComboBox* ConversionChoice() const { return m_conversion; }
    QSpinBox* WidthField() const { return m_width; }
    QSpinBox* HeightField() const { return m_height; }
    QSpinBox* FrameField() const { return m_frame; }
    QSlider* Slider(int channel) const { return m_sliders[channel]; }

    // Asks for a file (tests answer in code); empty: none chosen.
    std::function<QString()> chooseFile;
    // Shows a refusal (tests record it).
    std::function<void(const QString&)> showMessage;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // How an imported picture becomes its image; -1 in fit: its own size.
    struct Making {
        int fit = -1;
        int width = 0, height = 0;
        lumivo::Conversion conversion = lumivo::Conversion::Thresholds;
        int frame = 0, frames = 1;
    };
    struct Entry {
        CUserRGX image;
        std::optional<lumivo::Rgb24Picture> source; // imported pictures only
        uint32_t thresholds = lumivo::kLibraryThresholds;
        QString name;
        QString path;
        Making making;
        std::optional<unsigned> slot; // the project's user image it was when the dialog opened
    };
    void Relist();
    void ShowSelected();
    void ThresholdsChanged();
    // The choices of the controls into the selected entry, converted again.
    void MakingChanged();
    lumivo::Result Convert(Entry& e) const;
    void ShowMaking(const Entry* e);

    std::vector<Entry> m_entries;
    QListWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_up;
    QPushButton* m_down;
    QPushButton* m_sendButton;
    QSlider* m_sliders[3];
    QSpinBox* m_fields[3];
    QLabel* m_picture;
    QLabel* m_original;
    QLabel* m_size;
    QLabel* m_meter;
    QLabel* m_note;
    QComboBox* m_fit;
    QComboBox* m_conversion;
    QSpinBox* m_width;
    QSpinBox* m_height;
    QSpinBox* m_frame;
    const lumivo::CProjectCore& m_project;
    int m_boardHeight = 16;
    bool m_send = false;
    bool m_setting = false;
};
