// Screenshots of documents and interfaces with the things people most often erase from them:
// lines of text in a card, a button's label, a chat message, a table row, typed text in a
// field, a toolbar icon, a word on a gradient, text across a card's border. Each is drawn
// twice from one function, with and without the thing, so that the two differ only in its
// ink, and comes with the hole a round brush would leave over it. A fill is judged against
// the picture without the thing.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "document_drawing.h"

namespace corvalin::retouch::scenes {
namespace doc {

inline DocumentScene reportCard(Vary v) {
  const QColor page = v.pick(kLightPages), accent = v.pick(kAccents), ink = v.pick(kInks);
  const int size = v.num(17, 14, 19);
  const double pitch = std::round(size * 1.65);
  const QFont body = font(size);
  const auto [heading, prose] = v.pick<std::pair<QString, QString>>(
      {{"Quarterly revenue summary",
        "Revenue for the quarter came in at $4.21 million, up 12.4% on the same period last year "
        "and ahead of the plan we set in January. Most of the growth came from the mid-market "
        "segment, where the new onboarding flow shortened the average sales cycle from 41 to 29 "
        "days. Churn stayed flat at 1.8% a month. Support volume rose with the customer count but "
        "the median first response time fell to under two hours after we moved the queue to the "
        "new routing rules. Hiring is on track: four of the six open roles are filled, and the two "
        "remaining engineering positions should close before the end of April."},
       {"Migration status report",
        "We moved 214 of the 260 services to the new cluster this month. The remaining ones depend "
        "on the legacy message queue and will move once the bridge is load tested next week. "
        "Error rates on migrated services are unchanged, and p95 latency improved by 18 ms on "
        "average thanks to the shorter network path between the API gateway and the database "
        "replicas. Two rollbacks were needed, both caused by missing environment variables, and "
        "the deploy checklist now verifies them automatically. Cost per request is down 9%, "
        "though storage costs will rise briefly while both clusters keep copies of the data."}});
  const double x = v.num(260, 120, 360), y = v.num(120, 96, 150);
  const double w = std::min(v.num(1080, 900, 1200), int(kWidth - 80 - x));
  const QStringList lines = wrap(prose, body, w - 96);
  const int first = v.num(2, 1, int(lines.size()) - 3);  // the two lines erased
  const double top = y + 150;                            // baseline of the first line
  const QRectF box(x, y, w, 150 + lines.size() * pitch + 24);
  const bool shadow = v.flag(true, 0.6), border = v.flag(true, 0.7) || !shadow;
  const Draw draw = [=](QPainter& p, bool withInk) {
    appBar(p, "Reports", {"Overview", "Reports", "Team", "Settings"}, accent);
    card(p, box, 10, shadow, border ? QColor(225, 228, 234) : QColor(Qt::transparent));
    text(p, x + 48, y + 64, heading, font(size + 11, true), QColor(17, 24, 39));
    text(p, x + 48, y + 96, QStringLiteral("Updated 12 March 2024 · Finance team"), font(size - 3),
         QColor(107, 114, 128));
    p.fillRect(QRectF(x + 48, y + 116, w - 96, 1), QColor(235, 237, 241));
    for (int i = 0; i < lines.size(); ++i) {
      if (withInk || (i != first && i != first + 1))
        text(p, x + 48, top + i * pitch, lines[i], body, ink);
    }
    // Figures under the card, where they fit.
    const QStringList names = {"Revenue", "Margin", "Customers"},
                      values = {"$4.21M", "18.4%", "12,480"};
    const double sy = box.bottom() + 32, sw = (w - 48) / 3;
    for (int i = 0; i < 3 && sy + 110 < kHeight - 20; ++i) {
      const QRectF s(x + i * (sw + 24), sy, sw, 110);
      card(p, s, 10, shadow, border ? QColor(225, 228, 234) : QColor(Qt::transparent));
      text(p, s.x() + 24, s.y() + 38, names[i], font(14), QColor(107, 114, 128));
      text(p, s.x() + 24, s.y() + 80, values[i], font(28, true), QColor(17, 24, 39));
      text(p, s.x() + sw - 96, s.y() + 80, QStringLiteral("+%1%").arg(2.1 + 3.3 * i),
           font(14, true), QColor(22, 163, 74));
    }
  };
  std::vector<Erased> erased;
  for (int i : {first, first + 1})
    erased.push_back({textBox(x + 48, top + i * pitch, lines[i], body), 5});
  return makeScene("report card", page, draw, erased);
}

inline DocumentScene buttonLabel(Vary v) {
  const QColor page = v.pick(kLightPages), accent = v.pick(kAccents), ink = v.pick(kInks);
  const auto [label, heading, about] = v.pick<std::tuple<QString, QString, QString>>(
      {{"Publish", "Publish your site",
        "Your changes go live on acme-garden.com as soon as you publish. Visitors who have the "
        "page open will see the new version the next time they reload it."},
       {"Save changes", "Profile",
        "Your name and photo appear on everything you share and on the comments you leave in "
        "documents."},
       {"Send invite", "Invite your team",
        "New members get access to every project in this workspace. You can change their role "
        "at any time."},
       {"Upload files", "Import data",
        "Upload CSV or XLSX files up to 50 MB. Columns are matched to fields by their names."}});
  const QFont labelFont = font(v.num(15, 13, 17), true);
  const double bh = v.num(44, 36, 48), radius = v.num(8, 4, 12);
  const bool gradient = v.flag(false, 0.4);
  const QRectF box(v.num(440, 200, 640), v.num(180, 120, 300), 720, 300);
  const double bw = std::round(advance(label, labelFont)) + 48;
  const QRectF button(box.right() - 40 - bw, box.bottom() - 40 - bh, bw, bh);
  const QRectF cancel(button.x() - 16 - 110, button.y(), 110, bh);
  const double baseline = centredBaseline(button.y(), bh, labelFont);
  const Draw draw = [=](QPainter& p, bool withInk) {
    appBar(p, "Workspace", {"Dashboard", "Projects", "Members", "Billing"}, accent);
    text(p, box.x(), box.y() - 36, "Settings", font(26, true), QColor(17, 24, 39));
    card(p, box, 12, true, QColor(229, 231, 235));
    text(p, box.x() + 40, box.y() + 60, heading, font(21, true), QColor(17, 24, 39));
    const QFont small = font(15);
    const QStringList lines = wrap(about, small, box.width() - 80);
    for (int i = 0; i < lines.size(); ++i)
      text(p, box.x() + 40, box.y() + 100 + i * 24, lines[i], small, ink);
    text(p, box.x() + 40, button.y() + bh / 2 + 5, "Learn more", font(14), accent);
    roundedRect(p, cancel, radius, Qt::white, QColor(209, 213, 219));
    text(p, cancel.x() + (110 - advance("Cancel", labelFont)) / 2, baseline, "Cancel", labelFont,
         ink);
    if (gradient) {
      roundedRect(
          p, button, radius,
          ramp(button.topLeft(), button.bottomLeft(), accent.lighter(115), accent.darker(110)));
    } else {
      roundedRect(p, button, radius, accent);
    }
    if (withInk) text(p, button.x() + 24, baseline, label, labelFont, Qt::white);
    // A second panel underneath, as settings pages have.
    const QRectF next(box.x(), box.bottom() + 32, box.width(), 150);
    card(p, next, 12, true, QColor(229, 231, 235));
    text(p, next.x() + 40, next.y() + 56, "Custom domain", font(21, true), QColor(17, 24, 39));
    text(p, next.x() + 40, next.y() + 92, "Point your own domain at this site.", small, ink);
    roundedRect(p, QRectF(next.right() - 170, next.y() + 60, 130, 40), radius, Qt::white,
                QColor(209, 213, 219));
    text(p, next.right() - 152, next.y() + 86, "Add domain", font(15, true), ink);
  };
  return makeScene("button label", page, draw,
                   {{textBox(button.x() + 24, baseline, label, labelFont), 5}});
}

inline DocumentScene chatBubble(Vary v) {
  const QColor bg = v.pick<QColor>({{26, 28, 33}, {30, 31, 34}, {22, 27, 34}, {32, 34, 38}});
  const QColor mine =
      v.pick<QColor>({{37, 99, 235}, {0, 122, 255}, {59, 130, 246}, {88, 101, 242}});
  const QColor theirs = bg.lighter(200), light(229, 231, 235), dim(142, 146, 154);
  const QFont f = font(v.num(16, 14, 17));
  const QFontMetricsF fm(f);
  const double pitch = std::round(f.pixelSize() * 1.4), pad = 16, maxWidth = v.num(520, 420, 600);
  const double sidebar = v.num(340, 280, 380);
  struct Message {
    QStringList lines;
    QRectF bubble;
  };
  std::vector<Message> messages;
  double top = 134;
  for (const QString& said :
       {QStringLiteral("Hey! Are we still on for the design review this afternoon?"),
        v.pick<QString>(
            {"Yes, I moved it to 3 pm so Priya can join. I'll share the new mockups in the "
             "channel before then so everyone has a chance to look.",
             "Sure thing. The build with the new onboarding screens is on staging now, "
             "have a look when you get a minute.",
             "Running ten minutes late, sorry! Start without me and I'll catch up."}),
        QStringLiteral("Perfect, see you then.")}) {
    const QStringList lines = wrap(said, f, maxWidth);
    double width = 0;
    for (const QString& l : lines) width = std::max(width, std::ceil(advance(l, f)));
    const bool outgoing = messages.size() == 1;
    const QRectF bubble(outgoing ? kWidth - 40 - width - 2 * pad : sidebar + 40, top,
                        width + 2 * pad,
                        std::round(22 + (lines.size() - 1) * pitch + fm.ascent() + fm.descent()));
    messages.push_back({lines, bubble});
    top = bubble.bottom() + 28;
  }
  auto baseline = [=](const Message& m, int i) {
    return std::round(m.bubble.y() + 11 + fm.ascent() + i * pitch);
  };
  const Draw draw = [=](QPainter& p, bool withInk) {
    p.fillRect(QRectF(0, 0, sidebar, kHeight), bg.darker(125));
    p.fillRect(QRectF(sidebar, 0, 1, kHeight), bg.lighter(160));
    const QStringList people = {"Maya Chen", "Design team", "Omar Haddad", "Priya Nair",
                                "Release crew"};
    for (int i = 0; i < people.size(); ++i) {
      const double y = 24 + i * 76;
      if (i == 0) roundedRect(p, QRectF(12, y - 8, sidebar - 24, 68), 8, bg.lighter(140));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor::fromHsv(40 + i * 60, 120, 200));
      p.drawEllipse(QPointF(44, y + 26), 20, 20);
      text(p, 76, y + 20, people[i], font(15, true), light);
      text(p, 76, y + 44, i == 0 ? "Perfect, see you then." : "Sounds good", font(13), dim);
    }
    p.fillRect(QRectF(sidebar + 1, 0, kWidth, 64), bg.lighter(125));
    text(p, sidebar + 32, 40, "Maya Chen", font(17, true), light);
    text(p, sidebar + 150, 40, "online", font(13), QColor(74, 222, 128));
    text(p, (sidebar + kWidth) / 2 - 40, 110, "Today 14:02", font(12), dim);
    for (size_t m = 0; m < messages.size(); ++m) {
      roundedRect(p, messages[m].bubble, 18, m == 1 ? mine : theirs);
      if (m == 1 && !withInk) continue;
      for (int i = 0; i < messages[m].lines.size(); ++i) {
        text(p, messages[m].bubble.x() + pad, baseline(messages[m], i), messages[m].lines[i], f,
             m == 1 ? QColor(Qt::white) : light);
      }
    }
    roundedRect(p, QRectF(sidebar + 24, kHeight - 72, kWidth - sidebar - 104, 48), 24,
                bg.lighter(150));
    text(p, sidebar + 48, kHeight - 42, "Message", font(15), dim);
    p.setPen(Qt::NoPen);
    p.setBrush(mine);
    p.drawEllipse(QPointF(kWidth - 48, kHeight - 48), 22, 22);
  };
  std::vector<Erased> erased;
  const Message& m = messages[1];
  for (int i = 0; i < m.lines.size(); ++i) {
    erased.push_back({textBox(m.bubble.x() + pad, baseline(m, i), m.lines[i], f), 4});
  }
  return makeScene("chat bubble", bg, draw, erased);
}

inline DocumentScene stripedTable(Vary v) {
  const QColor accent = v.pick(kAccents), ink = v.pick(kInks);
  const QColor stripe =
      v.pick<QColor>({{246, 247, 249}, {243, 245, 248}, {248, 248, 248}, {241, 245, 250}});
  const bool rowLines = v.flag(true, 0.6), columnLines = v.flag(true, 0.5);
  const int size = v.num(15, 13, 17), rh = v.num(40, 32, 46), rows = 12;
  const int erasedRow = v.num(5, 1, rows - 2), offset = v.num(0, 0, 11);
  const QFont f = font(size);
  const double x0 = v.num(80, 60, 140), top = 170, width = kWidth - 2 * x0;
  const std::vector<double> columns = {0, 0.14, 0.42, 0.58, 0.74, 0.88, 1};
  const QStringList customers = {"Northwind Traders", "Acme Robotics",   "Blue Harbor Co.",
                                 "Fjord Analytics",   "Lumen Studio",    "Peak Outfitters",
                                 "Quill & Ink",       "Sable Logistics", "Tidewater Foods",
                                 "Verde Energy",      "Orchid Health",   "Kestrel Labs"};
  const QStringList status = {"Paid", "Pending", "Overdue"};
  const std::vector<QColor> statusColour = {{22, 163, 74}, {217, 119, 6}, {220, 38, 38}};
  auto cells = [=](int r) {
    const int k = (r + offset) % 12;
    return QStringList{QStringLiteral("INV-%1").arg(2041 + r * 7 + offset),
                       customers[k],
                       QStringLiteral("Mar %1, 2024").arg(1 + (k * 5) % 28, 2, 10, QChar('0')),
                       QStringLiteral("Apr %1, 2024").arg(1 + (k * 5) % 28, 2, 10, QChar('0')),
                       QStringLiteral("$%L1").arg(180.0 + k * 937.5 + r * 41.25, 0, 'f', 2),
                       status[(k * 7 + r) % 3]};
  };
  const Draw draw = [=](QPainter& p, bool withInk) {
    appBar(p, "Billing", {"Invoices", "Customers", "Reports"}, accent);
    text(p, x0, 120, "Invoices", font(26, true), QColor(17, 24, 39));
    roundedRect(p, QRectF(x0 + width - 150, 88, 150, 40), 8, accent);
    text(p, x0 + width - 130, 114, "New invoice", font(15, true), Qt::white);
    const QStringList header = {"INVOICE", "CUSTOMER", "ISSUED", "DUE", "AMOUNT", "STATUS"};
    p.fillRect(QRectF(x0, top, width, rh), QColor(238, 240, 243));
    for (int c = 0; c < 6; ++c) {
      text(p, x0 + columns[c] * width + 16, centredBaseline(top, rh, font(size - 2, true)),
           header[c], font(size - 2, true), QColor(75, 85, 99));
    }
    for (int r = 0; r < rows; ++r) {
      const double y = top + (r + 1) * rh;
      p.fillRect(QRectF(x0, y, width, rh), r % 2 ? stripe : QColor(Qt::white));
      if (rowLines) p.fillRect(QRectF(x0, y, width, 1), QColor(229, 231, 235));
      if (r == erasedRow && !withInk) continue;
      const QStringList row = cells(r);
      for (int c = 0; c < 6; ++c) {
        text(p, x0 + columns[c] * width + 16, centredBaseline(y, rh, f), row[c], f,
             c == 5 ? statusColour[size_t(status.indexOf(row[c]))] : ink);
      }
    }
    for (int c = 1; c < 6 && columnLines; ++c) {
      p.fillRect(QRectF(std::round(x0 + columns[c] * width), top, 1, (rows + 1) * rh),
                 QColor(229, 231, 235));
    }
    p.setPen(QColor(209, 213, 219));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(x0 + 0.5, top + 0.5, width - 1, (rows + 1) * rh - 1));
    text(p, x0, top + (rows + 1) * rh + 36, QStringLiteral("Showing 1–%1 of 86 invoices").arg(rows),
         font(14), QColor(107, 114, 128));
  };
  const QRectF row(x0 + 2, top + (erasedRow + 1) * rh + 1, width - 4, rh - 1);
  return makeScene("striped table", Qt::white, draw, {{row, 5}});
}
inline DocumentScene formField(Vary v) {
  const QColor page = v.pick(kLightPages), accent = v.pick(kAccents), ink = v.pick(kInks);
  const QFont typed = font(v.num(16, 14, 17)), label = font(14, true);
  const double fh = v.num(44, 38, 48), radius = v.num(6, 4, 8), gap = fh + 50;
  const QColor border = v.pick<QColor>({{209, 213, 219}, {196, 200, 206}, {218, 220, 224}});
  const QRectF box(v.num(400, 200, 560), 100, 800, 230 + 5 * gap);
  const QStringList labels = {"Full name", "Email", "Street address", "Apartment, suite, etc."};
  const QStringList values = {
      "Jordan Alvarez", "jordan.alvarez@example.com",
      v.pick<QString>({"221B Baker Street, Flat 4", "1640 Riverside Drive",
                       "Calle de Alcalá 48, 3º izquierda", "Rua Augusta 1234"}),
      "Unit 12"};
  const int erasedField = v.num(2, 0, 3);
  const bool shadow = v.flag(true, 0.5);
  auto field = [=](int i) {
    return QRectF(box.x() + 48, box.y() + 150 + i * gap, box.width() - 96, fh);
  };
  const Draw draw = [=](QPainter& p, bool withInk) {
    appBar(p, "Checkout", {"Cart", "Shipping", "Payment"}, accent);
    card(p, box, 12, shadow, QColor(229, 231, 235));
    text(p, box.x() + 48, box.y() + 64, "Shipping address", font(24, true), QColor(17, 24, 39));
    text(p, box.x() + 48, box.y() + 96, "We deliver Monday to Saturday, 8 am to 8 pm.", font(15),
         QColor(107, 114, 128));
    for (int i = 0; i < 4; ++i) {
      const QRectF r = field(i);
      text(p, r.x(), r.y() - 10, labels[i], label, QColor(55, 65, 81));
      roundedRect(p, r, radius, Qt::white, border);
      if (i != erasedField || withInk)
        text(p, r.x() + 14, centredBaseline(r.y(), fh, typed), values[i], typed, ink);
    }
    // City and postcode side by side, the postcode still empty with its placeholder.
    const QRectF city = field(4).adjusted(0, 0, -(box.width() - 96) / 2 - 12, 0);
    const QRectF code = city.translated(city.width() + 24, 0);
    for (const QRectF& r : {city, code}) {
      text(p, r.x(), r.y() - 10, r == city ? "City" : "Postcode", label, QColor(55, 65, 81));
      roundedRect(p, r, radius, Qt::white, border);
      text(p, r.x() + 14, centredBaseline(r.y(), fh, typed), r == city ? "London" : "e.g. NW1 6XE",
           typed, r == city ? ink : QColor(156, 163, 175));
    }
    const QRectF go(box.x() + 48, field(5).y(), box.width() - 96, 48);
    roundedRect(p, go, radius, accent);
    const QFont goFont = font(16, true);
    text(p, go.center().x() - advance("Continue to payment", goFont) / 2,
         centredBaseline(go.y(), 48, goFont), "Continue to payment", goFont, Qt::white);
  };
  const QRectF r = field(erasedField);
  return makeScene(
      "form field", page, draw,
      {{textBox(r.x() + 14, centredBaseline(r.y(), fh, typed), values[erasedField], typed), 5}});
}

// Toolbar glyphs on a 24 px grid, drawn as icon themes draw them: 2 px outlines, a little colour.
inline void glyph(QPainter& p, int kind, QPointF centre, const QColor& pen, const QColor& accent) {
  p.save();
  p.translate(centre - QPointF(12, 12));
  p.setPen(QPen(pen, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  auto poly = [&](std::initializer_list<QPointF> points) { p.drawPolygon(QPolygonF(points)); };
  switch (kind) {
    case 0:  // new
      poly({{5, 2}, {14, 2}, {19, 7}, {19, 22}, {5, 22}});
      p.drawPolyline(QPolygonF({{14, 2}, {14, 7}, {19, 7}}));
      break;
    case 1:  // open
      p.setBrush(QColor(250, 204, 21));
      poly({{2, 5}, {9, 5}, {11, 8}, {22, 8}, {22, 20}, {2, 20}});
      break;
    case 2:  // save
      p.setBrush(accent);
      p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(7, 4, 10, 6));
      p.drawRect(QRectF(6, 14, 12, 6));
      break;
    case 3:  // print
      p.drawRect(QRectF(7, 3, 10, 6));
      p.drawRoundedRect(QRectF(3, 9, 18, 9), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(7, 14, 10, 7));
      break;
    case 4:  // cut
      p.drawLine(QPointF(9, 15), QPointF(18, 3));
      p.drawLine(QPointF(15, 15), QPointF(6, 3));
      p.drawEllipse(QPointF(7, 18), 3, 3);
      p.drawEllipse(QPointF(17, 18), 3, 3);
      break;
    case 5:  // copy
      p.drawRoundedRect(QRectF(3, 3, 12, 14), 2, 2);
      p.setBrush(Qt::white);
      p.drawRoundedRect(QRectF(9, 7, 12, 14), 2, 2);
      break;
    case 6:  // find
      p.drawEllipse(QPointF(10, 10), 6, 6);
      p.setPen(QPen(pen, 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(15, 15), QPointF(21, 21));
      break;
    default:  // settings
      for (int i = 0; i < 8; ++i) {
        const double a = i * std::numbers::pi / 4;
        p.drawLine(QPointF(12 + 6 * std::cos(a), 12 + 6 * std::sin(a)),
                   QPointF(12 + 10 * std::cos(a), 12 + 10 * std::sin(a)));
      }
      p.setBrush(accent.lighter(160));
      p.drawEllipse(QPointF(12, 12), 6, 6);
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
  }
  p.restore();
}

inline DocumentScene toolbarIcon(Vary v) {
  const QColor accent = v.pick(kAccents),
               pen = v.pick<QColor>({{71, 85, 105}, {64, 64, 64}, {55, 65, 81}});
  const int high = v.num(250, 244, 255), low = v.num(225, 214, 232);
  const double th = v.num(76, 70, 84), spacing = v.num(72, 66, 84), x0 = v.num(24, 16, 60);
  const int erasedTool = v.num(3, 0, 7);
  const QFont label = font(v.num(12, 11, 13));
  const QStringList names = {"New", "Open", "Save", "Print", "Cut", "Copy", "Find", "Settings"};
  auto centre = [=](int i) {
    return QPointF(x0 + spacing * (i + 0.5) + 16 * (i / 3), 36 + 10 + 14);
  };
  auto labelAt = [=](int i) {
    return QPointF(std::round(centre(i).x() - advance(names[i], label) / 2), 36 + th - 14);
  };
  const Draw draw = [=](QPainter& p, bool withInk) {
    p.fillRect(QRectF(0, 0, kWidth, 36), QColor(high - 14, high - 14, high - 12));
    text(p, kWidth / 2 - 90, 24, "Project plan — Editor", font(14, true), QColor(60, 60, 64));
    p.fillRect(QRectF(0, 36, kWidth, th),
               ramp({0, 36}, {0, 36 + th}, QColor(high, high, high), QColor(low, low, low + 2)));
    p.fillRect(QRectF(0, 36 + th, kWidth, 1), QColor(190, 190, 194));
    for (int g : {3, 6}) {  // etched group separators
      const double sx = std::round(x0 + spacing * g + 16 * (g / 3) - 8);
      p.fillRect(QRectF(sx, 44, 1, th - 16), QColor(200, 200, 204));
      p.fillRect(QRectF(sx + 1, 44, 1, th - 16), QColor(255, 255, 255));
    }
    for (int i = 0; i < names.size(); ++i) {
      if (i == erasedTool && !withInk) continue;
      glyph(p, i, centre(i), pen, accent);
      text(p, labelAt(i).x(), labelAt(i).y(), names[i], label, QColor(40, 40, 44));
    }
    // The document under the toolbar: a page on a grey desk.
    p.fillRect(QRectF(0, 37 + th, kWidth, kHeight), QColor(228, 229, 232));
    const QRectF sheet(kWidth / 2 - 420, 80 + th, 840, kHeight);
    card(p, sheet, 0, true, QColor(214, 214, 218));
    text(p, sheet.x() + 80, sheet.y() + 110, "Project plan", font(30, true), QColor(20, 20, 24));
    const QStringList lines = wrap(
        "The first milestone covers the data model and the import path. We keep the existing file "
        "format for now and convert on load, so nobody has to migrate by hand. The second "
        "milestone "
        "adds sharing, which needs the permission service to be ready by the end of May. Risks: "
        "the "
        "export library is unmaintained, and the design for offline editing is still open.",
        font(17), sheet.width() - 160);
    for (int i = 0; i < lines.size(); ++i)
      text(p, sheet.x() + 80, sheet.y() + 170 + i * 28, lines[i], font(17), QColor(40, 40, 44));
  };
  return makeScene(
      "toolbar icon", QColor(228, 229, 232), draw,
      {{QRectF(centre(erasedTool) - QPointF(14, 14), QSizeF(28, 28)) |
            textBox(labelAt(erasedTool).x(), labelAt(erasedTool).y(), names[erasedTool], label),
        5}});
}

inline DocumentScene gradientBanner(Vary v) {
  const std::vector<std::pair<QColor, QColor>> ramps = {{{79, 70, 229}, {147, 51, 234}},
                                                        {{14, 165, 233}, {37, 99, 235}},
                                                        {{236, 72, 153}, {249, 115, 22}},
                                                        {{16, 185, 129}, {6, 182, 212}}};
  const auto [from, to] = v.pick(ramps);
  const bool diagonal = v.flag(false, 0.5);
  const QFont word = font(v.num(48, 40, 56), true);
  const QString said = v.pick<QString>({"Welcome", "Launch", "Upgrade", "Discover", "Summer"});
  const QRectF banner(v.num(80, 40, 160), v.num(100, 90, 140), 0, v.num(320, 280, 360));
  const QRectF box = banner.adjusted(0, 0, kWidth - 2 * banner.x(), 0);
  const QPointF at(box.x() + 64, box.y() + std::round(box.height() * 0.42));
  const Draw draw = [=](QPainter& p, bool withInk) {
    appBar(p, "Notes", {"Product", "Pricing", "Changelog", "Sign in"}, from);
    roundedRect(p, box, 16,
                ramp(box.topLeft(), diagonal ? box.bottomRight() : box.topRight(), from, to));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 24));
    p.drawEllipse(QPointF(box.right() - 180, box.y() + 90), 150, 150);
    p.drawEllipse(QPointF(box.right() - 60, box.bottom() - 40), 90, 90);
    if (withInk) text(p, at.x(), at.y(), said, word, Qt::white);
    text(p, at.x(), at.y() + 52,
         "New features land every day this week. See what changed and what's next.", font(19),
         QColor(255, 255, 255, 225));
    roundedRect(p, QRectF(at.x(), at.y() + 84, 180, 46), 23, Qt::white);
    text(p, at.x() + 26, at.y() + 113, "Read the notes", font(16, true), from);
    const QStringList heads = {"Faster sync", "Shared folders", "Dark mode"};
    for (int i = 0; i < 3; ++i) {
      const double w = (box.width() - 48) / 3;
      const QRectF c(box.x() + i * (w + 24), box.bottom() + 40, w, 200);
      card(p, c, 12, true, QColor(229, 231, 235));
      text(p, c.x() + 28, c.y() + 48, heads[i], font(19, true), QColor(17, 24, 39));
      const QStringList lines = wrap(
          "Everything you change shows up on your other devices in under a "
          "second, even on slow connections.",
          font(15), w - 56);
      for (int k = 0; k < lines.size(); ++k)
        text(p, c.x() + 28, c.y() + 84 + k * 24, lines[k], font(15), QColor(75, 85, 99));
    }
  };
  return makeScene("gradient banner", QColor(250, 250, 252), draw,
                   {{textBox(at.x(), at.y(), said, word), 6}});
}

// Text laid across the border of a card, so the border runs under it: a fill has to carry the
// line through, and where the text covered the border's corner no fill can know it exactly.
inline DocumentScene cardBorder(Vary v) {
  const QColor page = v.pick<QColor>({{236, 238, 241}, {230, 232, 236}, {240, 240, 240}});
  const QColor border = v.pick<QColor>({{208, 212, 218}, {200, 200, 204}, {190, 196, 206}});
  const QColor ink = v.pick<QColor>({{220, 38, 38}, {31, 41, 55}, {37, 99, 235}});
  const QFont f = font(v.num(20, 16, 24), v.flag(false, 0.5));
  const QString note = v.pick<QString>({"Draft: figures not final", "Check these numbers with Sam",
                                        "Moved to the appendix", "Needs legal review"});
  const bool acrossTop = v.flag(false, 0.5);
  const QRectF box(v.num(560, 420, 640), v.num(200, 160, 260), 760, 560);
  const double w = advance(note, f);
  const QPointF at =
      acrossTop ? QPointF(std::round(box.x() + 160), std::round(box.y() + 0.35 * f.pixelSize()))
                : QPointF(std::round(box.x() - 0.4 * w), box.bottom() - 60);
  const Draw draw = [=](QPainter& p, bool withInk) {
    p.fillRect(QRectF(0, 0, 240, kHeight), QColor(250, 250, 251));
    p.fillRect(QRectF(240, 0, 1, kHeight), QColor(222, 224, 228));
    for (int i = 0; i < 6; ++i) {
      text(p, 32, 60 + i * 44,
           QStringList{"Home", "Documents", "Shared", "Recent", "Starred", "Trash"}[i],
           font(15, i == 1), QColor(55, 65, 81));
    }
    roundedRect(p, box, 8, Qt::white, border);
    text(p, box.x() + 48, box.y() + 72, "Budget 2025", font(26, true), QColor(17, 24, 39));
    const QStringList lines = wrap(
        "Operating costs rise 6% next year, mostly from cloud hosting and two new support hires. "
        "Marketing stays flat. We keep a reserve of 8% for unplanned work, down from 10%, because "
        "last year's reserve went largely unused. Capital spending covers the office move in "
        "spring and replacement laptops for the design team.",
        font(17), box.width() - 96);
    for (int i = 0; i < lines.size(); ++i)
      text(p, box.x() + 48, box.y() + 130 + i * 28, lines[i], font(17), QColor(55, 65, 81));
    if (withInk) text(p, at.x(), at.y(), note, f, ink);
  };
  return makeScene("card border", page, draw, {{textBox(at.x(), at.y(), note, f), 5}}, false);
}

}  // namespace doc

// Seed 0 gives the canonical pictures; other seeds vary colours (within plausible interface
// palettes), positions, sizes, font sizes and texts, so that a fill can be checked on pictures
// it was not tuned on.
inline std::vector<DocumentScene> documentScenes(uint32_t seed = 0) {
  std::vector<DocumentScene> all;
  all.push_back(doc::reportCard(doc::Vary(seed, 1)));
  all.push_back(doc::buttonLabel(doc::Vary(seed, 2)));
  all.push_back(doc::chatBubble(doc::Vary(seed, 3)));
  all.push_back(doc::stripedTable(doc::Vary(seed, 4)));
  all.push_back(doc::formField(doc::Vary(seed, 5)));
  all.push_back(doc::toolbarIcon(doc::Vary(seed, 6)));
  all.push_back(doc::gradientBanner(doc::Vary(seed, 7)));
  all.push_back(doc::cardBorder(doc::Vary(seed, 8)));
  return all;
}

// A 500 × 70 round-brush stroke over a line of text in plain surroundings: the common case
// whose fill time the engine is held to.
inline DocumentScene plainStrokeScene(uint32_t seed = 0) {
  using namespace doc;
  Vary v(seed, 9);
  const QColor page =
      v.pick<QColor>({{255, 255, 255}, {250, 250, 250}, {246, 244, 238}, {240, 242, 246}});
  const QColor ink = v.pick(kInks);
  const QFont f = font(v.num(22, 18, 26));
  const int x0 = v.num(550, 200, 900), cy = v.num(500, 360, 640);
  // The words that fit 30 px inside each end of the stroke.
  QString line = v.pick<QString>({"Call Dana back before Friday", "Order #48213 ships tomorrow",
                                  "Wi-Fi: maple-7291-orbit", "Room 4B, Thursday 10:30"});
  while (advance(line, f) > 440) line.truncate(line.lastIndexOf(' '));
  const QPointF at(x0 + 30, cy + std::round(QFontMetricsF(f).capHeight() / 2));
  const Draw draw = [=](QPainter& p, bool withInk) {
    text(p, 120, 120, "Notes", font(28, true), QColor(17, 24, 39));
    text(p, at.x(), cy - 80, "Thursday", font(16, true), QColor(107, 114, 128));
    if (withInk) text(p, at.x(), at.y(), line, f, ink);
    text(p, at.x(), cy + 90, "Bring the printed agenda and the budget sheet.", font(17), ink);
  };
  PixelCanvas picture = render(page, draw, true);
  PixelCanvas truth = render(page, draw, false);
  PixelMask mask(kWidth, kHeight);
  for (double x = x0 + 35; x <= x0 + 465; x += 2) mask.paint(x, cy, {35, 0.55, 1});
  requireCovered(inkOf(picture, truth), mask, "plain stroke");
  return {"plain stroke", std::move(picture), std::move(truth), std::move(mask), true};
}

}  // namespace corvalin::retouch::scenes
