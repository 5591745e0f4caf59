// SPDX-License-Identifier: GPL-2.0-or-later
// CFontTextPage: the "Text in a font of this computer" page of the Ad
// editor. The text, a font of this computer (a searchable list, or a font
// file), height, colour or two-colour blend, bold, outline and spacing make
// a user image, shown live as LED dots at the board's size, with every
// character the font cannot draw named. The item it builds is an Image item
// of that user image.
//
// The page draws into a draft of the project's user images and recipes (it
// never writes into the document): a new band gets a new user image, a band
// showing a text image draws that same image again. The editor's OK takes
// the draft with the page as one step. A text wider than the board can go
// instead as board-wide pieces on new Ads of their own (the split button).
#pragma once

#include "core/text_image.h"
#include "core/text_image_project.h"
#include "ui/editor/sheet_page.h"

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

class CFontTextPage : public CQVSheetPage {
    Q_OBJECT
public:
    // Its place in the sheet, after the nine pages of the board's own kinds.
    static constexpr int kIndex = kPages;

    explicit CFontTextPage(CLumivoDoc& doc, QWidget* parent = nullptr);

    int GetItemKind() const override { return LUMIVO_IMAGE; }
    lumivo::Result Choices(lumivo::ItemChoices& choices) override;
    void Load(const CLumivo& item) override;
    void BuildFor(const CLumivo* replaced) override;
    void Placed(bool taken) override;
    void Relabel() override;
    void Activate() override;

    // Whether item is a text image this page draws (its recipe is kept).
    bool Shows(const CLumivo& item) const;
    // The recipe the controls describe.
    lumivo::TextRecipe Recipe() const;
    // The user images and recipes with what was placed from this page.
    const lumivo::TextImageDraft& Draft() const { return m_draft; }
    // Whether anything was drawn into the draft and placed.
    bool Drawn() const { return m_drawn; }

    QLineEdit* TextField() const { return m_text; }
    QLineEdit* SearchField() const { return m_search; }
    QListWidget* Fonts() const { return m_fonts; }
    QSpinBox* HeightField() const { return m_height; }
    QComboBox* ColorList() const { return m_color; }
    QComboBox* Color2List() const { return m_color2; }
    QComboBox* FallbackList() const { return m_fallback; }
    QCheckBox* BoldBox() const { return m_bold; }
    QCheckBox* OutlineBox() const { return m_outline; }
    QCheckBox* FixedBox() const { return m_fixed; }
    QLabel* PreviewLabel() const { return m_preview; }
    QLabel* Notice() const { return m_notice; }
    // Shown while the text is wider than the board.
    QPushButton* SplitButton() const { return m_split; }
    // The image the controls draw now (empty when they draw none).
    const lumivo::TextPixels& Shown() const { return m_shown; }

    // Asks for a font file (tests answer in code); empty: none chosen.
    std::function<QString()> chooseFontFile;

signals:
    // The draft's images changed (the editor's preview shows them).
    void draftChanged();
    // The split button was pressed: the editor makes the pieces and closes.
    void splitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Draws the controls' recipe into the preview and the notice.
    void Redraw();
    // The size line and its warnings as high as they wrap to.
    void FitSize();
    void Filter(const QString& text);
    void ChooseFile();
    // Chooses the font in the list, adding it on top when the list lacks it
    // (a font file, or a font missing on this computer).
    void ShowFont(const QString& font);
    void Changed();

    lumivo::TextImageDraft m_draft;
    std::optional<lumivo::TextImageDraft> m_pending; // drawn by Choices, kept by Placed(true)
    std::optional<unsigned> m_target;                // the slot Choices draws into; none: a new one
    bool m_drawn = false;
    int m_loading = 0;
    lumivo::TextPixels m_shown;

    QLabel* m_labels[7];
    QLineEdit* m_text;
    QLineEdit* m_search;
    QListWidget* m_fonts;
    QPushButton* m_file;
    QSpinBox* m_height;
    QComboBox* m_color;
    QComboBox* m_color2;
    QComboBox* m_fallback;
    QCheckBox* m_bold;
    QCheckBox* m_outline;
    QCheckBox* m_fixed;
    QLabel* m_preview;
    QLabel* m_notice;
    QLabel* m_size;
    QPushButton* m_split;
};
