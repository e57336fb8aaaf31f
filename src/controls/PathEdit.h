#pragma once
// A path the user chooses with a picker, shown in a field that cannot be
// typed into and looks so: a quiet frame instead of the input colour, the
// path cut at its start so its end (the file's name) stays in view, the whole
// path in the tooltip, and a click (or Enter or Space) that asks for the picker.
#include "controls/ColoredEdit.h"

namespace kv {

class CPathEdit : public CColoredEdit {
    Q_OBJECT
public:
    explicit CPathEdit(QWidget* parent = nullptr);

    // Shows `path`; the tooltip holds it whole.
    void SetPath(const QString& path);
    // What the field shows in its width: the path, or its end after "…".
    QString ShownText() const;

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect TextArea() const;
};

}  // namespace kv
