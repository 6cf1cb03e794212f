#pragma once
// COutlineModel: the outline of the text a control shows (COutline, from the engine's
// own classification), as a table for views: one row a definition, in file order, with
// its name, its kind ("routine", "object", ...) and its line.
//
//  - The outline is built from the control's text, so its lines are the control's rows
//    and a text cut short at a long line has the definitions before that line.
//  - Building takes a while on a big text, so it is never done before it is needed:
//    a new text in the control marks the outline out of date and empties the table
//    (Invalidate); Update builds it, when it is out of date.
//  - The model holds the outline alone (16 bytes a definition); names and positions are
//    read off the control's text when asked for.
//  - ROLE_POSITION gives the position of a definition's name in the control's text
//    (UTF-16 units as shown), ROLE_LINE its line from 1, on every column.
//  - The names are those the text shows (UTF-8 or Windows-1252 as the control reads it).

#include "syntax/Outline.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>

class CSyntaxRichEditCtrl;

class COutlineModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { COLUMN_NAME, COLUMN_KIND, COLUMN_LINE, COLUMN_COUNT };
    static constexpr int ROLE_POSITION = Qt::UserRole;
    static constexpr int ROLE_LINE = Qt::UserRole + 1;

    explicit COutlineModel(const CSyntaxRichEditCtrl& control, QObject* parent = nullptr);

    bool IsUpToDate() const { return m_upToDate; }
    void Invalidate();
    void Update();
    // The outline's own storage, for measuring.
    const COutline& Outline() const { return m_outline; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The column titles (Name, Kind, Line), which the game's outline shares.
    static QVariant Header(int section, Qt::Orientation orientation, int role);

private:
    QString Name(const OutlineEntry& entry) const;

    const CSyntaxRichEditCtrl& m_control;
    COutline m_outline;
    bool m_upToDate = false;
};
