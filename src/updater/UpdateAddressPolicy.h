#pragma once

#include "model/Result.h"

#include <QCoreApplication>
#include <QUrl>

namespace tovi {

// Where update feeds and downloads may come from: HTTPS anywhere, plain HTTP only on this
// machine (a local test server), nothing else.
class UpdateAddressPolicy {
    Q_DECLARE_TR_FUNCTIONS(UpdateAddressPolicy)
public:
    static Status check(const QUrl& url);
    static bool isLoopback(const QUrl& url);

    // The feed address this build was configured with, unless the TOVI_UPDATE_FEED
    // environment variable names another; empty when neither gives one.
    static QUrl configuredFeed();
};

} // namespace tovi
