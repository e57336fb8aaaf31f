#pragma once
// A flat bar that shows how loud a sound input is: a dark trough filled from
// the left, green, turning amber near full scale.
#include <QWidget>

namespace kv {

class CLevelMeter : public QWidget {
    Q_OBJECT
public:
    explicit CLevelMeter(QWidget* parent = nullptr);
    // 0 (silence) to 100 (full scale); other values are clamped.
    void SetPercent(int percent);
    int Percent() const { return m_percent; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_percent = 0;
};

}  // namespace kv
