// TForm2: the splash window shown while the main window starts up.
#pragma once

#include <QWidget>

namespace quorvan_app {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quorvan_app
