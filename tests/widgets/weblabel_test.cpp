// The link label: what a click opens, and the hover styles.
#include "weblabel.h"

#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Captures what the labels open instead of starting a browser.
class WebLabelTest : public testing::Test {
protected:
    void SetUp() override {
        m_previous = TWebLabel::setOpener([this](const QString& text) {
            opened << text;
            return true;
        });
    }
    void TearDown() override { TWebLabel::setOpener(m_previous); }

    QStringList opened;

private:
    TWebLabel::Opener m_previous;
};

void enter(TWebLabel& label) {
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(&label, &event);
}

void leave(TWebLabel& label) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&label, &event);
}

TEST_F(WebLabelTest, Construction) {
    TWebLabel label("Zentor");
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.font().pointSize(), 10);
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label.LinkTyp(), TWebLabel::lnHttp);
    EXPECT_TRUE(label.Link().isEmpty());
    EXPECT_FALSE(label.Hover());
}

TEST_F(WebLabelTest, EveryTypePutsItsPrefixInFront) {
    const std::pair<TWebLabel::TURLType, QString> prefixes[] = {
        {TWebLabel::lnFile, "file://"},     {TWebLabel::lnFtp, "ftp://"},
        {TWebLabel::lnGopher, "gopher://"}, {TWebLabel::lnHttp, "http://"},
        {TWebLabel::lnHttps, "https://"},   {TWebLabel::lnMailto, "mailto:"},
        {TWebLabel::lnNews, "news:"},       {TWebLabel::lnTelnet, "telnet:"},
        {TWebLabel::lnWais, "wais:"},
    };
    TWebLabel label;
    label.setLink("host.example.org/some/path");
    for (const auto& [type, prefix] : prefixes) {
        label.setLinkTyp(type);
        label.Click();
        EXPECT_EQ(opened.last(), prefix + "host.example.org/some/path");
    }
    EXPECT_EQ(opened.size(), 9);
}

TEST_F(WebLabelTest, HttpsAndMailto) {
    TWebLabel label;
    label.setLinkTyp(TWebLabel::lnHttps);
    label.setLink("www.example.org/board/index.html");
    label.Click();
    label.setLinkTyp(TWebLabel::lnMailto);
    label.setLink("info@example.org");
    label.Click();
    EXPECT_EQ(opened,
              QStringList({"https://www.example.org/board/index.html", "mailto:info@example.org"}));
}

TEST_F(WebLabelTest, LinkWithItsOwnSchemeGetsThePrefixAllTheSame) {
    TWebLabel label;
    label.setLink("http://www.example.org/");
    label.Click();
    label.setLinkTyp(TWebLabel::lnHttps);
    label.Click();
    EXPECT_EQ(opened, QStringList({"http://http://www.example.org/",
                                   "https://http://www.example.org/"}));
}

TEST_F(WebLabelTest, EmptyLinkOpensTheDefaultAddressAndKeepsIt) {
    TWebLabel label;
    label.setLinkTyp(TWebLabel::lnMailto); // no effect on an empty link
    label.Click();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], "http://" + TWebLabel::kDefaultLink);
    EXPECT_EQ(label.Link(), TWebLabel::kDefaultLink);
    EXPECT_FALSE(TWebLabel::kDefaultLink.isEmpty());

    TWebLabel plain;
    plain.Click();
    plain.Click();
    EXPECT_EQ(opened.mid(1), QStringList({"http://" + TWebLabel::kDefaultLink,
                                          "http://" + TWebLabel::kDefaultLink}));
}

TEST_F(WebLabelTest, MouseClickOpens) {
    TWebLabel label("Zentor");
    label.setLink("www.example.org");
    label.resize(103, 12);
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    QTest::mouseClick(&label, Qt::RightButton);
    EXPECT_TRUE(opened.isEmpty());
    QTest::mouseClick(&label, Qt::LeftButton);
    EXPECT_EQ(opened, QStringList({"http://www.example.org"}));
}

TEST_F(WebLabelTest, HoverUnderlinesOnlyUnderThePointer) {
    TWebLabel label("Zentor");
    QFont bold = label.font();
    bold.setBold(true);
    label.setFont(bold);

    label.setHover(true);
    EXPECT_FALSE(label.font().underline());
    EXPECT_FALSE(label.font().bold()); // no style at all
    enter(label);
    EXPECT_TRUE(label.font().underline());
    leave(label);
    EXPECT_FALSE(label.font().underline());

    label.setHover(false);
    EXPECT_TRUE(label.font().underline());
    leave(label);
    EXPECT_TRUE(label.font().underline());
    enter(label);
    EXPECT_TRUE(label.font().underline());
    // No colour change on hover.
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

} // namespace
