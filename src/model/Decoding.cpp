#include "model/Decoding.h"

#include "model/RecordDecoder.h"

// The records' tables: each record's fields, and for a field that holds records the table of
// those. A table is built on its first use and lives to the end.
namespace tovi {
namespace decoding {
namespace {

const RecordTable<CLIInfo>& cliInfoFields() {
    static const RecordTable<CLIInfo> table{
        field<&CLIInfo::currentVersion>("currentVersion"),
        field<&CLIInfo::latestVersion>("latestVersion"),
        field<&CLIInfo::updateAvailable>("updateAvailable"),
    };
    return table;
}

const RecordTable<Account>& accountFields() {
    static const RecordTable<Account> table{
        field<&Account::userId>("userId"),
        field<&Account::email>("email"),
        field<&Account::name>("name"),
        field<&Account::team>("team"),
    };
    return table;
}

const RecordTable<Space>& spaceFields() {
    static const RecordTable<Space> table{
        field<&Space::id>("id"),
        field<&Space::name>("name"),
        field<&Space::icon>("icon"),
        field<&Space::online>("online"),
        field<&Space::stopped>("stopped"),
        field<&Space::status>("status"),
        field<&Space::indicator>("indicator"),
        field<&Space::indicatorLabel>("indicatorLabel"),
        field<&Space::activity>("activity"),
        field<&Space::activityDetail>("activityDetail"),
        field<&Space::heartbeat>("heartbeat"),
        field<&Space::reported>("reported"),
    };
    return table;
}

const RecordTable<SpaceNode>& spaceNodeFields() {
    static const RecordTable<SpaceNode> table{
        field<&SpaceNode::id>("id"),         field<&SpaceNode::name>("name"),
        field<&SpaceNode::online>("online"), field<&SpaceNode::registered>("registered"),
        field<&SpaceNode::spaces>("spaces", spaceFields()),
    };
    return table;
}

const RecordTable<SpacesSection>& spacesSectionFields() {
    static const RecordTable<SpacesSection> table{
        field<&SpacesSection::nodes>("nodes", spaceNodeFields()),
    };
    return table;
}

const RecordTable<Nodes>& nodesFields() {
    static const RecordTable<Nodes> table{
        field<&Nodes::online>("online"),
        field<&Nodes::total>("total"),
    };
    return table;
}

const RecordTable<Credits>& creditsFields() {
    static const RecordTable<Credits> table{
        field<&Credits::creditsMicros>("creditsMicros"),
        field<&Credits::updated>("updated"),
    };
    return table;
}

const RecordTable<Usage>& usageFields() {
    static const RecordTable<Usage> table{
        field<&Usage::windowHours>("windowHours"),
        field<&Usage::costMicros>("costMicros"),
        field<&Usage::requestCount>("requestCount"),
    };
    return table;
}

const RecordTable<ByteCount>& byteCountFields() {
    static const RecordTable<ByteCount> table{
        field<&ByteCount::count>("count"),
        field<&ByteCount::totalBytes>("totalBytes"),
    };
    return table;
}

const RecordTable<DriveSection>& driveSectionFields() {
    static const RecordTable<DriveSection> table{
        field<&DriveSection::fileCount>("fileCount"),
        field<&DriveSection::totalBytes>("totalBytes"),
    };
    return table;
}

const RecordTable<Notification>& notificationFields() {
    static const RecordTable<Notification> table{
        field<&Notification::id>("id"),         field<&Notification::created>("created"),
        field<&Notification::source>("source"), field<&Notification::level>("level"),
        field<&Notification::title>("title"),
    };
    return table;
}

const RecordTable<Notifications>& notificationsFields() {
    static const RecordTable<Notifications> table{
        field<&Notifications::unread>("unread"),
        field<&Notifications::notifications>("notifications", notificationFields()),
    };
    return table;
}

const RecordTable<StatusSectionError>& statusSectionErrorFields() {
    static const RecordTable<StatusSectionError> table{
        field<&StatusSectionError::section>("section"),
        field<&StatusSectionError::message>("message"),
    };
    return table;
}

const RecordTable<InternalStatus>& internalStatusFields() {
    static const RecordTable<InternalStatus> table{
        field<&InternalStatus::cli>("cli", cliInfoFields()),
        field<&InternalStatus::authenticated>("authenticated"),
        field<&InternalStatus::account>("account", accountFields()),
        field<&InternalStatus::spaces>("spaces", spacesSectionFields()),
        field<&InternalStatus::nodes>("nodes", nodesFields()),
        field<&InternalStatus::credits>("credits", creditsFields()),
        field<&InternalStatus::usage>("usage", usageFields()),
        field<&InternalStatus::sites>("sites", byteCountFields()),
        field<&InternalStatus::drive>("drive", driveSectionFields()),
        field<&InternalStatus::secrets>("secrets"),
        field<&InternalStatus::notifications>("notifications", notificationsFields()),
        field<&InternalStatus::partial>("partial"),
        field<&InternalStatus::errors>("errors", statusSectionErrorFields()),
    };
    return table;
}

const RecordTable<Profile>& profileFields() {
    static const RecordTable<Profile> table{
        field<&Profile::name>("name"),         field<&Profile::active>("active"),
        field<&Profile::isDefault>("default"), field<&Profile::email>("email"),
        field<&Profile::team>("team"),
    };
    return table;
}

const RecordTable<AccountMe>& accountMeFields() {
    static const RecordTable<AccountMe> table{
        field<&AccountMe::id>("id"),
        field<&AccountMe::email>("email"),
        field<&AccountMe::teamId>("teamId"),
        field<&AccountMe::teamName>("teamName"),
    };
    return table;
}

const RecordTable<LoginClaim>& loginClaimFields() {
    static const RecordTable<LoginClaim> table{
        field<&LoginClaim::status>("status"),
        field<&LoginClaim::url>("url"),
        field<&LoginClaim::token>("token"),
        field<&LoginClaim::expiresIn>("expiresIn"),
        field<&LoginClaim::resume>("resume"),
        field<&LoginClaim::note>("note"),
        field<&LoginClaim::authenticated>("authenticated"),
    };
    return table;
}

const RecordTable<ClaimUser>& claimUserFields() {
    static const RecordTable<ClaimUser> table{
        field<&ClaimUser::id>("id"),
        field<&ClaimUser::email>("email"),
        field<&ClaimUser::firstName>("firstName"),
        field<&ClaimUser::lastName>("lastName"),
    };
    return table;
}

const RecordTable<ClaimResult>& claimResultFields() {
    static const RecordTable<ClaimResult> table{
        field<&ClaimResult::status>("status"),
        field<&ClaimResult::user>("user", claimUserFields()),
    };
    return table;
}

} // namespace
} // namespace decoding

Result<InternalStatus> decodeInternalStatus(const QByteArray& json) {
    return decoding::decodeDocument<InternalStatus>(json, decoding::internalStatusFields());
}

Result<QList<Profile>> decodeProfileList(const QByteArray& json) {
    return decoding::decodeDocument<QList<Profile>>(json, decoding::profileFields());
}

Result<AccountMe> decodeAccountMe(const QByteArray& json) {
    return decoding::decodeDocument<AccountMe>(json, decoding::accountMeFields());
}

Result<LoginClaim> decodeLoginClaim(const QByteArray& json) {
    return decoding::decodeDocument<LoginClaim>(json, decoding::loginClaimFields());
}

Result<ClaimResult> decodeClaimResult(const QByteArray& json) {
    return decoding::decodeDocument<ClaimResult>(json, decoding::claimResultFields());
}

} // namespace tovi
