// The languages and the two tables of the portable code's texts.
#include "common/language.h"

#include <array>
#include <cctype>

namespace {

constexpr size_t kTexts = size_t(Text::Count);

// Each table lists its texts in the order of the enumeration, one line an id.
constexpr std::array<std::string_view, kTexts> kJapanese = {
    "時刻の同期に失敗しました。",
    "NTPサーバー '%1' と正常に通信できません。",
    "NTPサーバー '%1' の応答がありません。",
    "NTPサーバー '%1' の応答に有効な時刻が含まれていません。",
    "システムの時刻を変更する権限がない可能性があります。",
    "管理者として実行できませんでした。",
    "通信エラー No.%1: %2",
    "通信中にエラーが発生しました。",
    "システムの時刻を '%1' と同期しました。",
    "取得した時刻: %1",
    "Stratum: %1\u3000Poll Interval: %2\u3000Precision: %3",
    "応答遅延: %1ms\u3000推定伝送遅延: %2ms",
    "時刻合わせサービスを登録できませんでした。",
    "時刻合わせサービスを削除できませんでした。",
    "時刻合わせサービスに接続できません。",
    "NTPサーバー '%1' の時刻がこのパソコンの時刻から大きくずれているため、時刻合わせサービスでは合わせません。",
    "NTPサーバー '%1' は時刻合わせサービスに登録されていません。",
    "エラー No.%1",
    "この Windows では、更新プログラム KB2533623 を入れるまで管理者としての実行はできません。",
    "設定を保存できませんでした。\r\n\r\n設定ファイル '%1' に書き込めません。",
    "しない",
    "1 時間ごと",
    "%1 時間ごと",
    "時刻合わせサービス: 登録済み",
    "時刻合わせサービス: 登録されていません",
    "サービスを登録(&V)...",
    "サービスを削除(&V)...",
    "表示",
    "時刻合わせ",
    "その他",
    "自動（Windows に合わせる）",
    "日本語",
    "English",
    "起動時",
    "メニュー",
    "テスト",
    "スタンバイ回復",
    "定期",
    "コマンド",
    "同期",
    "失敗",
    "前回の時刻合わせ: %1",
    "記録がありません",
    "%1 (%2 秒)",
    "%1 失敗（%2）",
    "この PC の時計: %1",
    "1 日のずれは 0.1 秒未満です",
    "1 日に約 %1 秒遅れます",
    "1 日に約 %1 秒進みます",
    "バージョン %1",
    "%1 のバージョン情報",
    "NTPサーバー '%1' はこのパソコンからの問い合わせを断っています。別のサーバーを選んでください。",
    "NTPサーバー '%1' から、問い合わせの間隔を空けるよう求められました。%2 まで問い合わせを控えます。",
    "Velkaro 時刻合わせ",
    "Velkaro の時計が、登録された NTP サーバーからパソコンの時刻を合わせるためのサービスです。",
    "%1 %",
    "サウンド デバイスがないため、時報は鳴りません。",
};

constexpr std::array<std::string_view, kTexts> kEnglish = {
    "The time could not be synchronized.",
    "Tarnvik cannot communicate with the NTP server '%1'.",
    "The NTP server '%1' did not answer.",
    "The response from the NTP server '%1' does not contain a valid time.",
    "Tarnvik might not have permission to change the system time.",
    "Tarnvik could not be run as administrator.",
    "Network error %1: %2",
    "An error occurred while communicating.",
    "The system time was synchronized with '%1'.",
    "Time received (JST): %1",
    "Stratum: %1   Poll interval: %2   Precision: %3",
    "Server processing: %1 ms   Estimated one-way delay: %2 ms",
    "The time service could not be installed.",
    "The time service could not be removed.",
    "The time service cannot be reached.",
    "The time from the NTP server '%1' differs too much from this PC's time, so the time service did not change it.",
    "The NTP server '%1' is not registered with the time service.",
    "Error %1",
    "On this version of Windows, Tarnvik cannot run as administrator until update KB2533623 is installed.",
    "The settings could not be saved.\r\n\r\nThe settings file '%1' cannot be written.",
    "Never",
    "Every hour",
    "Every %1 hours",
    "Time service: installed",
    "Time service: not installed",
    "Install ser&vice...",
    "Remo&ve service...",
    "Display",
    "Time sync",
    "Other",
    "Automatic (same as Windows)",
    "日本語",
    "English",
    "Startup",
    "Menu",
    "Test",
    "Resume",
    "Periodic",
    "Command",
    "Set",
    "Failed",
    "Last synchronization: %1",
    "none",
    "%1 (%2 s)",
    "%1 failed (%2)",
    "This PC's clock: %1",
    "drifts less than 0.1 s a day",
    "loses about %1 s a day",
    "gains about %1 s a day",
    "Version %1",
    "About %1",
    "The NTP server '%1' refuses requests from this PC. Choose another server.",
    "The NTP server '%1' asked to be queried less often. Tarnvik will not ask it again before %2.",
    "Velkaro Time Synchronization",
    "Lets the Velkaro clock set this PC's time from the NTP servers an administrator approved.",
    "%1%",
    "No sound device is available, so the time signal does not sound.",
};

}  // namespace

std::optional<Language> LanguageOfSetting(std::string_view value) {
    auto is = [&](std::string_view word) {
        if (value.size() != word.size()) return false;
        for (size_t i = 0; i < word.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(value[i])) != word[i]) return false;
        return true;
    };
    if (is("ja")) return Language::Japanese;
    if (is("en")) return Language::English;
    return std::nullopt;
}

std::string_view SettingOfLanguage(std::optional<Language> language) {
    if (!language) return "";
    return *language == Language::Japanese ? "ja" : "en";
}

Language ChooseLanguage(std::string_view setting, uint16_t userUiLanguage) {
    constexpr uint16_t kJapanesePrimary = 0x11;
    if (const std::optional<Language> chosen = LanguageOfSetting(setting)) return *chosen;
    return (userUiLanguage & 0x3FF) == kJapanesePrimary ? Language::Japanese : Language::English;
}

uint16_t LanguageId(Language language) { return language == Language::Japanese ? 0x0411 : 0x0409; }

std::string_view TableText(Language language, Text text) {
    return (language == Language::Japanese ? kJapanese : kEnglish)[size_t(text)];
}

std::string Words(Language language, Text text, std::initializer_list<std::string_view> arguments) {
    const std::string_view pattern = TableText(language, text);
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const size_t n = i + 1 < pattern.size() ? size_t(pattern[i + 1] - '1') : arguments.size();
        if (pattern[i] == '%' && n < arguments.size()) {
            out += arguments.begin()[n];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}
