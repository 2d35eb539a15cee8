// The program's two languages, which one speaks to the user, and every text the portable code
// words, one table per language. Portable.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

enum class Language { Japanese, English };

// The setting "Language": "ja" or "en" in any letter case; anything else (empty too) is
// automatic, none.
std::optional<Language> LanguageOfSetting(std::string_view value);
// The setting's word for a language, and none for automatic ("").
std::string_view SettingOfLanguage(std::optional<Language> language);
// The language the program speaks: the setting's, or automatically Japanese where the user's UI
// language (a LANGID) is Japanese and English elsewhere.
Language ChooseLanguage(std::string_view setting, uint16_t userUiLanguage);
// The language's LANGID: Japanese (Japan) or English (United States).
uint16_t LanguageId(Language language);

// Every text the portable code words. A text takes its arguments as %1, %2, ... in any order;
// both languages' texts of an id take the same ones.
enum class Text {
    SyncFailed,  // the first line of every failure report of a synchronisation
    SendFailed,
    NoAnswer,
    NoUsableTime,
    Permission,
    RunAsAdministratorFailed,
    SocketError,
    SocketErrorUnknown,
    SyncedWith,
    TimeReceived,
    ReplyHeader,
    ReplyDelays,
    ServiceInstallFailed,
    ServiceRemoveFailed,
    ServiceUnreachable,
    ServiceStepTooLarge,
    ServiceNotApproved,
    ErrorNumber,
    UnsafeDllSearch,
    SettingsNotSaved,
    IntervalNever,
    IntervalOneHour,
    IntervalHours,
    ServiceInstalled,
    ServiceNotInstalled,
    InstallService,
    RemoveService,
    PageDisplay,
    PageTimeSync,
    PageOther,
    LanguageAutomatic,
    LanguageJapanese,
    LanguageEnglish,
    TriggerStartUp,
    TriggerMenu,
    TriggerTest,
    TriggerResume,
    TriggerPeriodic,
    TriggerCommand,
    RecordSet,
    RecordFailed,
    LastRun,
    LastRunNone,
    LastRunSet,
    LastRunFailed,
    Drift,
    DriftBelowATenth,
    DriftLoses,
    DriftGains,
    AboutVersion,
    AboutCaption,
    ServerRefuses,
    ServerAsksLessOften,
    ServiceDisplayName,  // what Services, the Event Viewer and sc show
    ServiceDescription,
    OpacityPercent,
    NoSoundDevice,  // the record's notice when the hour signal finds no device
    Count
};

// The text in the language, its %1, %2, ... replaced by the arguments in order.
std::string Words(Language language, Text text, std::initializer_list<std::string_view> arguments = {});
// The text as it stands in the table, its placeholders unreplaced (for the tests).
std::string_view TableText(Language language, Text text);
