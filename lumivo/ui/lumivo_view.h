// The project's items, read-only: page, title and the three effects. The
// editable, grouped Ad list replaces it later.
#pragma once

#include <QTreeWidget>

class CLumivoDoc;

class CLumivoView : public QTreeWidget {
    Q_OBJECT
public:
    explicit CLumivoView(CLumivoDoc& doc, QWidget* parent = nullptr);
    void OnUpdate();  // refills the list from the document
    void Relabel();   // column headers in the selected language

signals:
    void pageSelected(unsigned page);

private:
    CLumivoDoc& m_doc;
};
