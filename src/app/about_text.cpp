#include "app/about_text.h"

#include "platform/files.h"
#include "platform/text_codec.h"

#include <array>
#include <string_view>

namespace {

struct Section {
    std::string_view heading;
    std::string_view body; // lines separated by LF, the last one ended too
};

// The guide is kept in UTF-8 here and encoded once; CR LF is put in while composing.
constexpr std::string_view kTitle = "Chorelin Ver1.04";

constexpr std::array<Section, 10> kSections{{
    {"【概要】",
     R"(1.定例的に開くファイルやアプリケーションを希望の日付・時刻に起動します。
  こんなことでお困りではありませんか？
  「毎朝、同じファイルをいくつも開くのが面倒だ。」
  「週に一度のバックアップを、ついうっかり忘れてしまう。」
  「決まった時刻にアプリケーションを起動したいのに、その時間は手が離せない。」
  Chorelinはタスクトレイに常駐し、登録したタスクを指定の日付・時刻に自動で起動します。
2.スケジュールは「１回のみ」「毎日」「平日」「休日」と、曜日の指定から選べます。
  平日と休日は、内蔵のカレンダー（2007年から2029年までの祝日表）で判定します。
3.起動したプロセスは終了するまで見守り、一覧の状態に反映します。
)"},
    {"【動作環境】",
     R"(1.対応ＯＳ
  Debian 12 (bookworm)
  タスクトレイ（システムトレイ）を備えたLinuxデスクトップ環境（X11）
2.必要なライブラリ
  Qt 6.4 以降（Widgets、SVGアイコンの表示にQt SVG）
  GLib/GIO（ファイルに関連付けられたアプリケーションの検索に使用します）
3.その他
  画面の文字は日本語です。日本語フォント（IPAゴシックなど）を入れておいてください。
)"},
    {"【セットアップ】",
     R"(1.インストール
  配布ファイルを任意のフォルダに展開し、そのフォルダで scripts/run を実行します。
  足りないパッケージを導入し、プログラムをビルドしてChorelinを起動します。
  cmake --install でインストールすると、プログラム chorelin と、アプリケーション
  メニュー用のアイコン及びデスクトップエントリが配置されます。
2.作成されるファイル
  タスクファイル : ドキュメントフォルダ（XDGのDOCUMENTSフォルダ、通常は ~/Documents）
                   の下の chorelin/chorelin.tsk
  環境設定       : ~/.config/Marrowby/Chorelin.conf
  スタートアップ : ~/.config/autostart/Chorelin.desktop（登録したときのみ）
  このファイル   : プログラムと同じフォルダの「Chorelinについて.txt」
3.アンインストール
  スタートアップに登録している場合は、先に登録を解除してください。
  Chorelinを終了してから、展開したフォルダ（またはインストールしたファイル）を削除します。
  タスクと環境設定も不要であれば、上記のタスクファイルのフォルダと環境設定のファイルを
  削除してください。
)"},
    {"【起動及び終了】",
     R"(1.起動
  ファイルマネージャーでプログラム chorelin をダブルクリックするか、端末で chorelin と
  入力して起動します。インストールした場合はアプリケーションメニューからも起動できます。
  起動するとタスクトレイにアイコンが表示され、ウィンドウは隠れた状態になります。
  タスクトレイのない環境では、ウィンドウを表示したまま動作します。
  Chorelinは1つのログインセッションで1つだけ起動できます。
2.終了
  タスクトレイアイコンのコンテキストメニュー、またはファイルメニューの
  [アプリケーションの終了]を選択します。
  ウィンドウの最小化ボタンや閉じるボタンでは終了しません（タスクトレイに格納されます）。
  終了しても、タスクが起動したプロセスはそのまま動作を続けます。
)"},
    {"【メニュー一覧】",
     R"(1.アプリケーションメニュー
  ファイル(F)
    環境設定(C)
    スタートアップに登録
    ────────
    アプリケーションの終了(X)
  タスク(T)
    タスクの追加
    ────────
    タスクの変更
    タスクの削除
    ────────
    タスクを無効にする
    タスクを有効にする
    ────────
    今すぐタスクを実行
  ヘルプ(H)
    バージョン情報(A)...
2.ウィンドウのコンテキストメニュー（右クリックで表示されるメニュー）
    タスクの追加
    ────────
    タスクの変更
    タスクの削除
    ────────
    タスクを無効にする
    タスクを有効にする
    ────────
    今すぐタスクを実行
3.タスクトレイアイコンのコンテキストメニュー（右クリックで表示されるメニュー）
    スタートアップに登録
    タスクの表示
    ────────
    アプリケーションの終了
4.システムメニュー（タイトルバー右側に配置されたボタン）
    最小化
    最大化
    閉じる
)"},
    {"【機能説明】",
     R"(1.環境設定
  新しく追加するタスクの初期値を設定します。
  実行時刻     : ドラッグアンドドロップしたときから何分後に実行するか
                 （0分から999分まで、初期値は10分）
  スケジュール : 新しいタスクのスケジュール（初期値は「毎日」）
  すでに登録されているタスクは変更されません。
2.スタートアップに登録
  ログインしたときにChorelinが自動的に起動するようにします。
  登録中はメニューにチェックマークが付き、もう一度選ぶと登録を解除します。
3.タスクの表示
  隠れているウィンドウを表示します。タスクトレイアイコンのダブルクリックでも表示できます。
4.タスクの追加
  ファイルをウィンドウの一覧にドラッグアンドドロップすると、環境設定の初期値（実行時刻、
  スケジュール）を入れたタスクの登録画面が開きます。複数のファイルをまとめてドロップする
  こともできます。
  メニューの[タスクの追加]からは、登録画面でファイルと日時を指定してタスクを登録できます。
5.タスクの変更
  一覧で選んだタスクの内容を変更します。一覧の行をダブルクリックしても変更できます。
  実行中のタスクは変更できません。完了したタスクは、再スケジュールするか確認します。
6.タスクの削除
  一覧で選んだタスクを削除します（複数選択できます）。Deleteキーでも削除できます。
  実行中のタスクは削除できません。
7.タスクを無効にする
  選んだタスクを「無効」にします。無効のタスクは起動されません。
  実行中のタスクと完了したタスクの状態は変更できません（8.も同じです）。
8.タスクを有効にする
  選んだタスクを「実行待ち」に戻します。
9.今すぐタスクを実行
  選んだタスクを、スケジュールに関係なくすぐに起動します。
10.バージョン情報
  Chorelinのバージョンを表示します。
11.アプリケーションの終了
  Chorelinを終了します。
12.最小化、閉じる
  どちらもウィンドウをタスクトレイに格納します。Chorelinは動作を続けます。
13.最大化
  ウィンドウを画面いっぱいに広げます。
※F5キーを押すと、一覧を最新の情報に更新します。
)"},
    {"【ウィンドウの文字色、背景色について】",
     R"(一覧の各行は、タスクの状態によって次の色で表示されます。
  文字色が赤       : 次回実行日が今日のタスク、または実行中のタスク
  文字色が青       : 完了したタスク（背景色は薄い緑）
  背景色が灰色     : 無効のタスク
  背景色が薄い黄色 : 実行中のタスク
  背景色がピンク   : 前回の起動に失敗したタスク
)"},
    {"【制限事項】",
     R"(1.登録できるファイルは、プログラム（実行できるファイル、シェルスクリプトなど）と、
  関連付けられたアプリケーションがあるファイルです。フォルダは登録できません。
2.登録できるタスクは最大256個です。
3.タスク名は重複できません（英字の大文字と小文字は区別しません）。
4.1台のコンピューターを複数のユーザーで使う場合は、ユーザーごとに別々のタスクを持ちます。
)"},
    {"【利用規定】",
     R"(1.本ソフトウェアの著作権はMarrowbyが保有しています。
2.本ソフトウェアは無保証です。本ソフトウェアを使用したこと、または使用できなかった
  ことによって生じたいかなる損害についても、Marrowbyは責任を負いません。
  ご自身の責任においてご使用ください。
3.大切な処理をタスクに登録する場合は、最初に動作を確かめてからお使いください。
)"},
    {"【お問い合わせ】",
     R"(ご意見、ご要望、不具合のご報告は、本ソフトウェアの配布元を通じてMarrowbyまで
お寄せください。すべてのお問い合わせにお答えできるとは限りませんので、あらかじめ
ご了承ください。
)"},
}};

constexpr std::string_view kFootnote =
    "※記載されている会社名、製品名は、各社の商標または登録商標です。\n";

void appendLine(std::string& out, std::string_view line) {
    out += line;
    out += '\n';
}

// The guide in UTF-8 with LF line ends.
std::string composeUtf8() {
    const std::string shortRule(40, '-');
    const std::string longRule(80, '-');
    std::string text;
    appendLine(text, shortRule);
    appendLine(text, kTitle);
    appendLine(text, shortRule);
    for (const Section& section : kSections) {
        appendLine(text, "");
        appendLine(text, section.heading);
        text += section.body;
        appendLine(text, longRule);
    }
    appendLine(text, "");
    text += kFootnote;
    return text;
}

std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

std::optional<std::string> composeAboutText() {
    // LF is a single byte in cp932 and never a trail byte, so CR LF can be put in either side
    // of the conversion; doing it before keeps the limit check on the final bytes.
    std::optional<std::string> cp932 = platform::utf8ToCp932(withCrLf(composeUtf8()));
    if (!cp932 || cp932->size() > kAboutTextMaxBytes)
        return std::nullopt;
    return cp932;
}

int MyAboutTextWrite(const platform::SystemPath& path) {
    if (path.empty())
        return -1;
    if (platform::pathExists(path))
        return -14;
    const std::optional<std::string> text = composeAboutText();
    if (!text)
        return -7;
    switch (platform::writeNewFile(path, text->data(), text->size())) {
    case platform::CreateResult::Ok:
        return 0;
    case platform::CreateResult::Exists: // appeared since the check above; still not ours
        return -14;
    case platform::CreateResult::OpenFailed:
        return -3;
    case platform::CreateResult::ShortWrite:
        // A cut-off guide would be kept for ever, since an existing file is never rewritten.
        platform::removeFile(path);
        return -6;
    }
    return -3;
}
