#pragma once

#include <QAccessibleWidget>

// Tells assistive technologies that a TKivGroupBox groups the controls inside
// it and names the group by its caption; the box paints its caption itself,
// so no label child would carry the name.
class TKivGroupBoxAccessible : public QAccessibleWidget {
public:
  explicit TKivGroupBoxAccessible(QWidget *widget);

  QString text(QAccessible::Text kind) const override;

  // Registers the factory that hands out this interface; safe to call often.
  static void install();
};
