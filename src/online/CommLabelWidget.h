#pragma once
// TCommLabel: the communication and data state strip of the online views,
// painted from the decisions of CommLabel.
#include <QLabel>

#include "online/CommLabel.h"

class QMenu;

namespace velmora::online {

class TCommLabel : public QLabel {
    Q_OBJECT

public:
    explicit TCommLabel(QWidget* parent = nullptr);

    // The live label behind a handle that crossed a C boundary, or null: a
    // handle is compared by address with the application's widgets, never
    // dereferenced before it is found.
    static TCommLabel* FromHandle(void* handle);
    // The same for the popup menus handed to the label; null stays null.
    static bool MenuFromHandle(void* handle, QMenu*& menu);

    void SetCommState(TCommState state);
    TCommState GetCommState() const { return core_.GetCommState(); }
    void SetDataState(TDataState state);
    TDataState GetDataState() const { return core_.GetDataState(); }
    void Set_DataWidthPRC(int percent);
    int Get_DataWidthPRC() const { return core_.Get_DataWidthPRC(); }
    void Set_CanSTDLabel(bool on);
    bool Get_CanSTDLabel() const { return core_.Get_CanSTDLabel(); }
    void Set_IsFixed(bool fixed);
    bool Get_IsFixed() const { return core_.Get_IsFixed(); }
    void Set_CommPopupMenu(QMenu* menu) { core_.Set_CommPopupMenu(menu); }
    QMenu* Get_CommPopupMenu() const { return static_cast<QMenu*>(core_.Get_CommPopupMenu()); }
    void Set_DataPopupMenu(QMenu* menu) { core_.Set_DataPopupMenu(menu); }
    QMenu* Get_DataPopupMenu() const { return static_cast<QMenu*>(core_.Get_DataPopupMenu()); }

    // The label's popup menu: its own one until the first click, then the
    // menu of the part clicked (the own one again while it is a plain label).
    void setPopupMenu(QMenu* menu) { popup_ = menu; }
    QMenu* popupMenu() const { return popup_; }

    void setCommHint(const QString& hint) { core_.setCommHint(hint.toStdString()); }
    void setDataHint(const QString& hint) { core_.setDataHint(hint.toStdString()); }

    QSize sizeHint() const override { return {105, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QColor colour(const PartColour& colour) const;

    CommLabel core_;
    QMenu* popup_ = nullptr;
};

}  // namespace velmora::online
