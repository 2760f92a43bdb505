// The floor under bench_memory's figure: a bare Qt program, linked against Qt alone (no
// controller, no ICU of our own, no curl), that shows the same tray icon and opens the
// same menu (50 instance lines with their submenus, the same Japanese and emoji texts),
// then prints its resident size. What orvane uses above this is what it adds to Qt.
//
//   bench_memory_floor [--instances N] [--breakdown N]
//
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise (xcb under Xvfb).

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ProcStatus.h"
#include "Options.h"

using tamsel::bench::printResidentByMapping;
using tamsel::bench::readOptions;
using tamsel::bench::statusKiB;

namespace {

QtMessageHandler standardHandler = nullptr;

void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith("This plugin does not support")) return;
    standardHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    int instances = 50;
    int top = 0;
    if (!readOptions(argc, argv, {{"--instances", &instances}, {"--breakdown", &top}})) return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    standardHandler = qInstallMessageHandler(quietOffscreen);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap image(22, 22);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(4, 4, 14, 14, Qt::darkGray);
    QSystemTrayIcon tray{QIcon(image)};
    QMenu menu;
    tray.setContextMenu(&menu);
    tray.show();

    QAction* header = menu.addAction("Orvane for Mac  v0.1.0");
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    header->setEnabled(false);
    menu.addSeparator();
    for (int i = 0; i < instances; ++i) {
        const QString n = QString::number(i);
        auto* submenu = new QMenu(&menu);
        submenu->menuAction()->setText(i % 5 == 1 || i % 5 == 3 ? "⚫️ server-" + n + " — stopped"
                                                                : "🟢 server-" + n + " — running");
        menu.addAction(submenu->menuAction());
        // Filled when opened, as the adapter does.
        QObject::connect(submenu, &QMenu::aboutToShow, submenu, [submenu, n] {
            if (!submenu->actions().isEmpty()) return;
            submenu->addAction("i-0" + n + "  t3.micro")->setEnabled(false);
            submenu->addSeparator();
            submenu->addAction("起動");
            submenu->addAction("停止");
            submenu->addSeparator();
            submenu->addMenu("起動時に SG を自分の IP 専用にする: しない");
        });
    }
    menu.addSeparator();
    menu.addAction("最終更新: 12:34:56")->setEnabled(false);
    menu.addAction("今すぐ更新")->setShortcut(QKeySequence("Ctrl+R"));
    menu.addSeparator();
    menu.addMenu("プロファイル: デフォルト")->addAction("デフォルト");
    menu.addMenu("リージョン: デフォルト")->addAction("デフォルト (AWS CLI の設定)");
    menu.addAction("ログイン時に起動")->setCheckable(true);
    menu.addSeparator();
    menu.addAction("終了")->setShortcut(QKeySequence("Ctrl+Q"));

    menu.popup(QPoint(0, 0));
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf("platform %s, %d instances: bare Qt with the menu open: VmRSS %.2f MiB (anon %.2f, file %.2f)\n",
                qPrintable(QGuiApplication::platformName()), instances, statusKiB("VmRSS") / 1024.0,
                statusKiB("RssAnon") / 1024.0, statusKiB("RssFile") / 1024.0);
    if (top > 0) printResidentByMapping(static_cast<size_t>(top));
    menu.hide();
    return 0;
}
