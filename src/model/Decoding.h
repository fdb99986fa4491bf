#pragma once

#include "model/Records.h"
#include "model/Result.h"

#include <QByteArray>
#include <QList>

// Strict decoding of the CLI's JSON documents. Any failure fails the whole document and
// the error text names the failing path, e.g.
// "spaces.nodes[0].spaces[2].name: expected a string, found null". Malformed JSON reads
// "tovi's output isn't valid JSON (<Qt's parse error> at offset N).".
//
// When several keys of one object map to the same field (say "total_bytes" and
// "totalBytes"), the snake_case spelling wins; among other spellings, the one Qt sorts
// last (it keeps object keys sorted); a key repeated verbatim keeps its later value.
namespace tovi {

Result<InternalStatus> decodeInternalStatus(const QByteArray& json);
Result<QList<Profile>> decodeProfileList(const QByteArray& json);
Result<AccountMe> decodeAccountMe(const QByteArray& json);
Result<LoginClaim> decodeLoginClaim(const QByteArray& json);
Result<ClaimResult> decodeClaimResult(const QByteArray& json);

// The wire key rule: snake_case becomes camelCase, leading and trailing underscores kept.
QString convertWireKey(const QString& wireKey);

} // namespace tovi
