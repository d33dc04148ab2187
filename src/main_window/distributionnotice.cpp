#include "distributionnotice.h"

#include "maker.h"

QStringList distributionNotice() {
    return {
        QStringLiteral("Verimond is given freely to people of the Christian faith, as a help for"),
        QStringLiteral("keeping a record of what the Lord shows them in His Word."),
        QStringLiteral(
            "There is no charge in money for this program. If you keep using it, the only"),
        QStringLiteral(
            "payment asked of you is this: share your faith with someone, and then let us"),
        QStringLiteral(
            "know that you did so. Please do not tell us who it was; a short note saying"),
        QStringLiteral("that the Good News was shared is all we would like to hear."),
        QStringLiteral("Whether you pay in this way is left entirely to you and your conscience"),
        QStringLiteral(
            "before God. Nobody will check, and nothing in the program will stop working"),
        QStringLiteral("if you choose not to."),
        QStringLiteral("You may copy this program and give it to others, as long as it stays free"),
        QStringLiteral("and this notice stays with it."),
        QStringLiteral(
            "Thank you for letting this small program be part of your time in the Word."),
        QStringLiteral("   "),
        QStringLiteral(
            "When this program was first given out, a small donation was asked of those"),
        QStringLiteral(
            "who found it useful. Money helps a maker for a while, but a shared faith can"),
        QStringLiteral(
            "change a life for eternity. So instead of a donation we now ask that you pass"),
        QStringLiteral(
            "on what you have been given, and tell us when you have, so that we may rejoice"),
        QStringLiteral(
            "with you and pray for the one you spoke with. That is worth far more to us"),
        QStringLiteral("than any gift that could be sent in the mail."),
        QStringLiteral("  "),
        QStringLiteral("Go into all the world and share the gospel; someone near you may be "
                       "waiting to hear it."),
        QStringLiteral("  "),
        QStringLiteral("  "),
        QStringLiteral("God Bless You!"),
        QStringLiteral("  "),
        QStringLiteral("  "),
        QString::fromLatin1(maker::kName),
        QString::fromLatin1(maker::kPostalBox),
        QString::fromLatin1(maker::kTown),
        QString::fromLatin1(maker::kEmail),
    };
}
