#include "app/command_table.h"

#include <QHash>

namespace vorel::app {
namespace {

struct Entry {
    const char* menuText;
    const char* promptAndTip;  // the prompt, then "\n" and the tool tip when there is one
};

const QHash<int, Entry>& Table() {
    static const QHash<int, Entry> table{
        {kCmdFileOpen, {"開く(&O)...\tCtrl+O", "既存のﾌｧｲﾙを開く\n開く"}},
        {kCmdFileClose, {"閉じる(&C)", "作業中のﾌｧｲﾙを閉じる\n閉じる"}},
        {kCmdFileSaveAs, {"名前を付けて保存(&A)...", "作業中のﾌｧｲﾙに名前を付けて保存\n名前をつけて保存"}},
        {kCmdSaveAll, {"全て保存...", "全て保存\n全て保存"}},
        {kCmdFileMru1, {"最新のﾌｧｲﾙ", "指定のﾌｧｲﾙを開く"}},
        {kCmdAppExit, {"ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示\n終了"}},
        {kCmdEditCopy, {"ｺﾋﾟｰ(&C)\tCtrl+C", "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\nｺﾋﾟ-"}},
        {kCmdConnect, {"ｲﾒｰｼﾞの連結(&A)", "現在表示しているｲﾒｰｼﾞの連結\nｲﾒｰｼﾞの連結"}},
        {kCmdRotateLeft, {"左(&L)", "現在表示しているｲﾒｰｼﾞを左へ90度回転\n左90度回転"}},
        {kCmdRotateRight, {"右(&R)", "現在表示しているｲﾒｰｼﾞを右へ90度回転\n右90度回転"}},
        {kCmdFlipVertical, {"上下反転(&F)", "現在表示しているｲﾒｰｼﾞの上下反転\n上下反転"}},
        {kCmdMirror, {"左右反転(&M)", "現在表示しているｲﾒｰｼﾞの左右反転\n左右反転"}},
        {kCmdSearchSettings, {"検索設定", "ｲﾒｰｼﾞ検索の設定を行います"}},
        {kCmdReplaceImage, {"ｲﾒｰｼﾞの置換...", "編集したﾋﾟｸﾁｬをこのｲﾒｰｼﾞが見つかったﾌｧｲﾙに書き戻します"}},
        {kCmdEditUndo, {"元に戻す\tCtrl+Z", "このｾｯｼｮﾝの最後のｲﾒｰｼﾞの置換を取り消します"}},
        {kCmdViewActual, {"原寸表示(&A)", "ｲﾒｰｼﾞを1:1で表示\n原寸表示"}},
        {kCmdViewFit, {"全体(&F)", "ｳｨﾝﾄﾞｳのｻｲｽﾞにあわせてｲﾒｰｼﾞ全体を表示\nｳｨﾝﾄﾞｳｻｲｽﾞ表示"}},
        {kCmdZoom25, {"25%", ""}},
        {kCmdZoom50, {"50%", "設定された倍率でｲﾒｰｼﾞを表示\n拡大表示"}},
        {kCmdZoom75, {"75%", "設定された倍率でｲﾒｰｼﾞを表示\n拡大表示"}},
        {kCmdZoom150, {"150%", "設定された倍率でｲﾒｰｼﾞを表示\n拡大表示"}},
        {kCmdZoom200, {"200%", ""}},
        {kCmdZoom400, {"400%", "設定された倍率でｲﾒｰｼﾞを表示\n拡大表示"}},
        {kCmdImageInfo, {"ｲﾒｰｼﾞ情報(&I)", "ｲﾒｰｼﾞのﾌｧｲﾙ名･ｻｲｽﾞ･色数情報表示\nｲﾒｰｼﾞ情報表示"}},
        {kCmdViewToolBar, {"ﾂｰﾙ ﾊﾞｰ(&T)", "ﾂｰﾙ ﾊﾞｰの表示/非表示\nﾂｰﾙ ﾊﾞｰの表示/非表示"}},
        {kCmdViewStatusBar, {"ｽﾃｰﾀｽ ﾊﾞｰ(&S)", "ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示/非表示"}},
        {kCmdPaletteOptimize, {"ﾊﾟﾚｯﾄの最適化(&P)", "ﾊﾟﾚｯﾄの最適化\nﾊﾟﾚｯﾄの最適化"}},
        {kCmdWindowCascade, {"重ねて表示(&C)", "ｳｨﾝﾄﾞｳを重ねて表示\n重ねて表示"}},
        {kCmdWindowTile, {"並べて表示(&T)", "ｳｨﾝﾄﾞｳを上下に並べて表示\n上下に並べて表示"}},
        {kCmdWindowArrange, {"ｱｲｺﾝの整列(&A)", "ｳｨﾝﾄﾞｳの下部にｱｲｺﾝを整列\nｱｲｺﾝの整列"}},
        {kCmdAutoSize, {"ｻｲｽﾞ自動調整", "ｳｲﾝﾄﾞｳｻｲｽﾞをｲﾒｰｼﾞにあわせます"}},
        {kCmdCloseAll,
         {"すべてのｳｨﾝﾄﾞｳを閉じる",
          "現在表示されているすべてのウィンドウを閉じる\n全てのウィンドウを閉じる"}},
        {kCmdHelpFinder, {"ﾄﾋﾟｯｸの検索(&H)", "ﾄﾋﾟｯｸの検索\nﾄﾋﾟｯｸの検索"}},
        {kCmdAppAbout,
         {"ﾊﾞｰｼﾞｮﾝ情報(Vorel) (&A)...", "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報"}},
        {kCmdContextHelp, {"", "ｸﾘｯｸされたﾎﾞﾀﾝ、ﾒﾆｭｰまたはｳｨﾝﾄﾞｳのﾍﾙﾌﾟを表示\nﾍﾙﾌﾟ"}},
    };
    return table;
}

}  // namespace

CommandText TextOfCommand(int id) {
    const auto it = Table().constFind(id);
    if (it == Table().constEnd()) return {};
    const QString both = QString::fromUtf8(it->promptAndTip);
    const qsizetype cut = both.indexOf(u'\n');
    CommandText text;
    text.menuText = QString::fromUtf8(it->menuText);
    text.prompt = cut < 0 ? both : both.left(cut);
    text.toolTip = cut < 0 ? QString() : both.mid(cut + 1);
    return text;
}

QString IdleStatusText() {
    return QStringLiteral("ﾍﾙﾌﾟを表示するには [F1] を押してください。");
}

QString EmptyRecentFileText() {
    return QStringLiteral("最新のﾌｧｲﾙ");
}

}  // namespace vorel::app
