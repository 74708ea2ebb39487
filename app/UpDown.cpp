#include "UpDown.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace tagstation {

namespace {

QToolButton* ArrowButton(Qt::ArrowType arrow, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

TUpDown::TUpDown(QLineEdit* buddy, int min, int max, QWidget* parent)
    : QWidget(parent), FBuddy(buddy), FDown(ArrowButton(Qt::LeftArrow, this)), FUp(ArrowButton(Qt::RightArrow, this)),
      FMin(min), FMax(max), FPosition(min)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FDown);
    layout->addWidget(FUp);
    FDown->setObjectName("Down");
    FUp->setObjectName("Up");
    connect(FDown, &QToolButton::clicked, this, [this] { SetPosition(FPosition - 1); });
    connect(FUp, &QToolButton::clicked, this, [this] { SetPosition(FPosition + 1); });
    FBuddy->setText(QString::number(FPosition));
}

void TUpDown::SetPosition(int position)
{
    position = std::clamp(position, FMin, FMax);
    FBuddy->setText(QString::number(position));
    if (position == FPosition) return;
    FPosition = position;
    emit PositionChanged(position);
}

}  // namespace tagstation
