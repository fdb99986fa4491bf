#pragma once

#include "model/Records.h"
#include "store/StoreTypes.h"

#include <QColor>
#include <QDateTime>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <ostream>

// Failure messages show values as a person reads them, not as bytes. gtest finds these by the
// argument's namespace, and prints optionals, tuples and lists of them by itself.
void PrintTo(const QString& text, std::ostream* os);
void PrintTo(const QUrl& url, std::ostream* os);
void PrintTo(const QColor& color, std::ostream* os);
void PrintTo(const QPoint& point, std::ostream* os);
void PrintTo(const QRect& rect, std::ostream* os);
void PrintTo(const QDateTime& time, std::ostream* os);
void PrintTo(const QVariant& value, std::ostream* os);

namespace tovi {

// Field by field; fields the CLI left out are not shown.
void PrintTo(const CLIInfo& record, std::ostream* os);
void PrintTo(const Account& record, std::ostream* os);
void PrintTo(const Space& record, std::ostream* os);
void PrintTo(const SpaceNode& record, std::ostream* os);
void PrintTo(const SpacesSection& record, std::ostream* os);
void PrintTo(const Nodes& record, std::ostream* os);
void PrintTo(const Credits& record, std::ostream* os);
void PrintTo(const Usage& record, std::ostream* os);
void PrintTo(const ByteCount& record, std::ostream* os);
void PrintTo(const DriveSection& record, std::ostream* os);
void PrintTo(const Notification& record, std::ostream* os);
void PrintTo(const Notifications& record, std::ostream* os);
void PrintTo(const StatusSectionError& record, std::ostream* os);
void PrintTo(const InternalStatus& record, std::ostream* os);
void PrintTo(const Profile& record, std::ostream* os);
void PrintTo(const AccountMe& record, std::ostream* os);
void PrintTo(const LoginClaim& record, std::ostream* os);
void PrintTo(const ClaimUser& record, std::ostream* os);
void PrintTo(const ClaimResult& record, std::ostream* os);
void PrintTo(const SignInPhase& phase, std::ostream* os);
void PrintTo(const BootstrapState& state, std::ostream* os);

} // namespace tovi
