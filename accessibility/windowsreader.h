#pragma once

#include "accessibility/orca48reader.h"

namespace accessibility {

// Qt 6.8 on Windows, read through UI Automation by NVDA, JAWS and Narrator.
class WindowsReader final : public Orca48Reader
{
public:
    QAccessibleInterface *interfaceFor(const QString &className, QObject *object) override;
};

} // namespace accessibility
