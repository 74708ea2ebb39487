// A pair of horizontal arrow buttons bound to a read-only edit: the only way
// to change the number the edit shows, within a fixed range.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace tagstation {

class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QLineEdit* buddy, int min, int max, QWidget* parent);

    int Position() const { return FPosition; }
    // Values outside the range are taken to its nearest end.
    void SetPosition(int position);
    int Min() const { return FMin; }
    int Max() const { return FMax; }

signals:
    void PositionChanged(int position);

private:
    QLineEdit* FBuddy;
    QToolButton* FDown;
    QToolButton* FUp;
    int FMin;
    int FMax;
    int FPosition;
};

}  // namespace tagstation
