#pragma once
// CDefinitionLink: with Ctrl held, a name of the text that has a definition is a link:
// under the mouse it is underlined and the pointer is a hand; a click on it (Ctrl still
// held) goes to the definition instead of moving the caret. Without Ctrl, or over
// anything else, the text behaves as ever.
//
// Whether a position holds such a name is asked of a finder, which answers at once
// (it does not wait for a game being built: no game, no link).

#include <QObject>
#include <QPoint>

#include <functional>

class CSyntaxRichEditCtrl;

class CDefinitionLink : public QObject {
    Q_OBJECT

public:
    // The range (from..to, positions as shown) of the name at pos that has a
    // definition; false when pos holds none.
    using Finder = std::function<bool(long long pos, long long& from, long long& to)>;

    CDefinitionLink(CSyntaxRichEditCtrl& control, Finder finder);

    bool HasLink() const { return m_from < m_to; }
    long long LinkFrom() const { return m_from; }
    long long LinkTo() const { return m_to; }

signals:
    // A Ctrl+click on the link, whose name begins at pos.
    void linkClicked(long long pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Update(const QPoint& point, bool ctrl);
    void Clear();

    CSyntaxRichEditCtrl& m_control;
    Finder m_find;
    long long m_from = 0;
    long long m_to = 0;
    bool m_swallowRelease = false;
};
