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

// The records field by field (fields the CLI left out are not shown), the states by name.
#define TOVI_TEST_PRINTED(X)                                                                                 \
    X(CLIInfo)                                                                                               \
    X(Account) X(Space) X(SpaceNode) X(SpacesSection) X(Nodes) X(Credits) X(Usage) X(ByteCount)              \
        X(DriveSection) X(Notification) X(Notifications) X(StatusSectionError) X(InternalStatus) X(Profile)  \
            X(AccountMe) X(LoginClaim) X(ClaimUser) X(ClaimResult) X(SignInPhase) X(BootstrapState)
#define TOVI_TEST_DECLARE_PRINTER(Type) void PrintTo(const Type& value, std::ostream* os);
TOVI_TEST_PRINTED(TOVI_TEST_DECLARE_PRINTER)
#undef TOVI_TEST_DECLARE_PRINTER

} // namespace tovi
