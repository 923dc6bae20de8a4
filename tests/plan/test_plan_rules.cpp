// The pure rules of the plan: cell styles, layout text, field definitions.
#include "plan/gridlayout.h"
#include "plan/plandelegate.h"
#include "plan/planfields.h"
#include "plan/planstyle.h"
#include "plan/processos.h"
#include "plan/situacao.h"
#include "plantestsupport.h"
#include <QLocale>
#include <gtest/gtest.h>

using namespace plan;

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 30));

PlanRowValues row(const QString &status, const QDateTime &plannedEnd = {}, const QDateTime &realisedEnd = {},
                  const QString &process = QStringLiteral("0000011045"))
{
    PlanRowValues r;
    r.status = status;
    r.plannedEnd = plannedEnd;
    r.plannedEndHasTime = plannedEnd.isValid() && plannedEnd.time() != QTime(0, 0);
    r.realisedEnd = realisedEnd;
    r.processCode = process;
    return r;
}

QDateTime day(int offset) { return QDateTime(kNow.date().addDays(offset), QTime(0, 0)); }

CellStyle style(const PlanRowValues &r, const char *column = "DSSOLISERV", bool selected = false, bool active = true)
{
    return StyleFor(r, QString::fromLatin1(column), selected, active, kNow);
}

}

TEST(PlanLateRule, DateOnlyPlannedEndIsLateFromTheNextDay)
{
    EXPECT_EQ(style(row("I", day(-1))).font, ColorEmAtraso());
    EXPECT_EQ(style(row("I", day(0))).font, ColorParalisada());
    EXPECT_EQ(style(row("P", day(-1))).font, ColorEmAtraso());
    EXPECT_EQ(style(row("P", day(0))).font, ColorNaoApropriada());
}

TEST(PlanLateRule, PlannedEndWithTimeComparesWithTheCurrentMoment)
{
    EXPECT_EQ(style(row("I", kNow.addSecs(-60))).font, ColorEmAtraso());
    EXPECT_EQ(style(row("I", kNow.addSecs(60))).font, ColorParalisada());
}

TEST(PlanLateRule, OnlyPlannedAndPausedActivitiesAreLate)
{
    EXPECT_EQ(style(row("A", day(-3))).font, ColorEmAndamento());
    EXPECT_EQ(style(row("C", day(-3))).font, ColorConcluida());
    EXPECT_EQ(style(row("X", day(-3))).font, ColorConcluida());
    // An empty status counts as planned.
    EXPECT_EQ(style(row("", day(-3))).font, ColorEmAtraso());
    EXPECT_FALSE(style(row("")).font.isValid());
}

TEST(PlanLateRule, ZeroDateMeansNoPlannedEnd)
{
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    qor::RecordSet records;
    DefinePlanFields(records);
    records.setData(plantest::PlanPacket({{{"IDSITATIVTAR", "I"}, {"DTFIPATIVTAR", zero}, {"DTFIRATIVTAR", zero}}}));
    const PlanRowValues values = RowValuesAt(records, 0);
    EXPECT_FALSE(values.plannedEnd.isValid());
    EXPECT_FALSE(values.realisedEnd.isValid());
    EXPECT_EQ(style(values).font, ColorParalisada());
    EXPECT_EQ(style(values, "IDORIGTARE").picture, Picture::None);
}

TEST(PlanFinishedRule, RealisedEndIsBlueEvenWhenLateAndShowsConfirm)
{
    const PlanRowValues r = row("I", day(-5), day(-1));
    EXPECT_EQ(style(r).font, ColorFinalizada());
    EXPECT_EQ(style(r, "IDORIGTARE").picture, Picture::Confirmar);
    EXPECT_EQ(style(r, "IDSITATIVTAR").picture, Picture::Play);
}

TEST(PlanFinishedRule, RunningAndConcludedKeepTheirColour)
{
    EXPECT_EQ(style(row("A", {}, day(-1))).font, ColorEmAndamento());
    EXPECT_EQ(style(row("C", {}, day(-1))).font, ColorConcluida());
    EXPECT_EQ(style(row("X", {}, day(-1))).font, ColorFinalizada());
}

TEST(PlanPictures, StatusColumnPerState)
{
    EXPECT_EQ(style(row("I"), "IDSITATIVTAR").picture, Picture::Play);
    EXPECT_EQ(style(row("A"), "IDSITATIVTAR").picture, Picture::Pause);
    for (const char *s : {"P", ""}) {
        const CellStyle c = style(row(s), "IDSITATIVTAR");
        EXPECT_EQ(c.picture, Picture::None);
        EXPECT_TRUE(c.replaceText);
        EXPECT_EQ(c.text, QStringLiteral("Iniciar"));
    }
    for (const char *s : {"C", "X"}) {
        const CellStyle c = style(row(s), "IDSITATIVTAR");
        EXPECT_EQ(c.picture, Picture::None);
        EXPECT_FALSE(c.replaceText);
    }
}

TEST(PlanPictures, FinishColumnAndMonitoring)
{
    EXPECT_EQ(style(row("A"), "IDORIGTARE").picture, Picture::Finalizado);
    EXPECT_EQ(style(row("I"), "IDORIGTARE").picture, Picture::None);
    EXPECT_EQ(style(row("P", {}, day(-1)), "IDORIGTARE").picture, Picture::None);

    const CellStyle monitoring = style(row("P", {}, {}, "0000011265"), "NRPRIOATIVTR");
    EXPECT_EQ(monitoring.picture, Picture::Monitoramento);
    EXPECT_TRUE(monitoring.replaceText);
    EXPECT_TRUE(monitoring.text.isEmpty());
    EXPECT_EQ(style(row("P"), "NRPRIOATIVTR").picture, Picture::None);
}

TEST(PlanBackground, SelectionActiveGridAndInactiveGrid)
{
    const CellStyle selected = style(row("A"), "IDSITATIVTAR", true);
    EXPECT_EQ(selected.background, Background::Highlight);
    EXPECT_EQ(selected.font, QColor(Qt::white));
    EXPECT_TRUE(selected.selectedPicture);
    EXPECT_EQ(PictureResource(selected.picture, true), QStringLiteral(":/plan/imgPause_Sel.xpm"));
    EXPECT_EQ(style(row("A"), "DSSOLISERV", false, true).background, Background::Info);
    EXPECT_EQ(style(row("A"), "DSSOLISERV", false, false).background, Background::ButtonFace);
    EXPECT_EQ(PictureResource(Picture::Finalizado, true), QStringLiteral(":/plan/imgFinaliza_Sel.xpm"));
    EXPECT_EQ(PictureResource(Picture::Confirmar, false), QStringLiteral(":/plan/imgConfirmar.xpm"));
}

TEST(PlanLayoutText, DefaultIsTenEntriesOfEighteenCharacters)
{
    const QString text = BuildLayoutText(DefaultLayout());
    ASSERT_EQ(text.size(), 180);
    EXPECT_EQ(text.left(18), QStringLiteral("IDSITATIVTAR#40  #"));
    EXPECT_EQ(text.mid(18 * 2, 18), QStringLiteral("NRPRIOATIVTR#24  #"));
    EXPECT_EQ(text.mid(18 * 5, 18), QStringLiteral("NMPROCESSO  #80  #"));
    EXPECT_EQ(text.mid(18 * 9, 18), QStringLiteral("DSSTFASETRAM#200 #"));
}

TEST(PlanLayoutText, RoundTripOfAMovedAndResizedLayout)
{
    GridLayoutColumns layout = DefaultLayout();
    layout.move(2, 0);
    layout[0].width = 61;
    layout[9].width = 1234;
    const auto parsed = ParseLayoutText(BuildLayoutText(layout), DefaultLayout());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, layout);
}

TEST(PlanLayoutText, WidthsBeyondFourDigitsKeepTheFormat)
{
    GridLayoutColumns layout = DefaultLayout();
    layout[0].width = 123456;
    const QString text = BuildLayoutText(layout);
    EXPECT_EQ(text.size(), 180);
    EXPECT_EQ(text.left(18), QStringLiteral("IDSITATIVTAR#9999#"));
}

TEST(PlanLayoutText, ZeroOrBlankWidthLeavesTheColumnUnchanged)
{
    GridLayoutColumns stored = DefaultLayout();
    std::swap(stored[4], stored[5]);
    stored[4].width = 77;
    stored[5].width = 66;
    QString text = BuildLayoutText(stored);
    text.replace(18 * 4 + 13, 4, QStringLiteral("0   "));
    text.replace(18 * 5 + 13, 4, QStringLiteral("    "));
    const auto parsed = ParseLayoutText(text, DefaultLayout());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->at(4), DefaultLayout().at(4));
    EXPECT_EQ(parsed->at(5), DefaultLayout().at(5));
    for (int i : {0, 1, 2, 3, 6, 7, 8, 9})
        EXPECT_EQ(parsed->at(i), stored.at(i)) << i;
}

TEST(PlanLayoutText, MalformedTextGivesTheDefault)
{
    GridLayoutColumns current = DefaultLayout();
    std::reverse(current.begin(), current.end());
    QString letters = BuildLayoutText(current);
    letters.replace(18 * 3 + 13, 4, QStringLiteral("4x  "));
    EXPECT_FALSE(ParseLayoutText(letters, current).has_value());
    EXPECT_EQ(LayoutForStoredText(letters, current), DefaultLayout());

    QString unknown = BuildLayoutText(current);
    unknown.replace(0, 12, QStringLiteral("NOSUCHFIELD "));
    EXPECT_EQ(LayoutForStoredText(unknown, current), DefaultLayout());

    GridLayoutColumns twice = DefaultLayout();
    twice[1].field = twice[0].field;
    EXPECT_EQ(LayoutForStoredText(BuildLayoutText(twice), current), DefaultLayout());
}

TEST(PlanLayoutText, ShortTextRestoresWhatItHas)
{
    GridLayoutColumns stored = DefaultLayout();
    stored[0].width = 55;
    const auto parsed = ParseLayoutText(BuildLayoutText(stored).left(18), DefaultLayout());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->at(0).width, 55);
    EXPECT_EQ(parsed->mid(1), DefaultLayout().mid(1));
}

TEST(PlanFields, DefinitionsOfThePlan)
{
    qor::RecordSet records;
    DefinePlanFields(records);
    EXPECT_EQ(records.fields().size(), 50u);
    EXPECT_EQ(records.fieldByName("NRPRIOATIVTR").size(), 3);
    EXPECT_EQ(records.fieldByName("NRPRIOATIVTR").label(), QStringLiteral("Fila"));
    EXPECT_EQ(records.fieldByName("DSSTFASETRAM").label(), QStringLiteral("Situação da solicitação"));
    EXPECT_TRUE(records.fieldByName("DSTEMPLAITAR").readOnly());
    EXPECT_EQ(records.fieldByName("DTFIPATIVTAR").type(), qor::FieldType::DateTime);
    EXPECT_EQ(records.fieldByName("NRCPLXITATIV").type(), qor::FieldType::Float);
    int visible = 0;
    for (const auto &f : records.fields())
        visible += f->visible();
    EXPECT_EQ(visible, 2);

    qor::RecordSet andamento;
    DefineAndamentoFields(andamento);
    EXPECT_TRUE(andamento.fieldByName("IDATENDIMENTO").readOnly());
}

TEST(PlanFields, DisplayTextsReadTheirOwnRow)
{
    plantest::UseTestSession();
    qor::RecordSet records;
    DefinePlanFields(records);
    records.setData(plantest::PlanPacket({
        {{"NRTAREFA", "0000000001"}, {"DSREFETAREFA", "Primeira"}, {"NRSOLISERV", "0000000100"},
         {"DSREFESOLI", "Pedido"}, {"CDREDUITTRAB", "IT1"}, {"NMITEMTRAB", "Cadastro"}, {"NRCPLXITATIV", 3.5}},
        {{"NRTAREFA", "0000000002"}, {"NRSOLISERV", "0000000200"}, {"DSREFESOLI", "Outro"}},
    }));
    records.first();
    EXPECT_EQ(records.fieldByName("DSREFETAREFA").displayText(), QStringLiteral("0000000001 - Primeira"));
    EXPECT_EQ(records.fieldByName("CDREDUITTRAB").displayText(), QStringLiteral("IT1 - Cadastro"));
    // The points in the operator's form; the plain text keeps the point.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(records.fieldByName("NRCPLXITATIV").displayText(), QStringLiteral("Pontos da Atividade 3,5"));
    EXPECT_EQ(records.fieldByName("NRCPLXITATIV").asString(), QStringLiteral("3.5"));
    QLocale::setDefault(before);
    // The cursor stays on the first row; the second row's texts are its own.
    EXPECT_EQ(CellText(records, 1, "DSREFESOLI"), QStringLiteral("0000000200 - Outro"));
    EXPECT_EQ(records.fieldByName("DSREFESOLI").displayTextAt(1), QStringLiteral("0000000200 - Outro"));
    EXPECT_EQ(CellText(records, 1, "DSREFETAREFA"), QString());
    EXPECT_EQ(CellText(records, 1, "CDREDUITTRAB"), QString());
}

TEST(PlanFields, RowValuesTellDateOnlyFromDateTime)
{
    qor::RecordSet records;
    DefinePlanFields(records);
    records.setData(plantest::PlanPacket({
        {{"IDSITATIVTAR", "I"}, {"DTFIPATIVTAR", QDateTime(QDate(2026, 12, 7), QTime(0, 0))}},
        {{"IDSITATIVTAR", "I"}, {"DTFIPATIVTAR", QDateTime(QDate(2026, 12, 7), QTime(14, 30))}},
    }));
    const PlanRowValues dateOnly = RowValuesAt(records, 0);
    const PlanRowValues withTime = RowValuesAt(records, 1);
    EXPECT_FALSE(dateOnly.plannedEndHasTime);
    EXPECT_TRUE(withTime.plannedEndHasTime);
    EXPECT_EQ(records.fieldByName("DTFIPATIVTAR").displayTextAt(0).size(), 10);
    EXPECT_GE(records.fieldByName("DTFIPATIVTAR").displayTextAt(1).size(), 11);
}

// ---- process groups and activity states -------------------------------------------------

namespace {

// The codes each group is documented with; the predicates build some groups
// from others, so each is checked against its whole list over every code.
const QStringList kTodos{"0000010702", "0000010703", "0000010708", "0000010709", "0000011045", "0000011054",
                         "0000011077", "0000011080", "0000011048", "0000011078", "0000011269", "0000010171",
                         "0000011262", "0000010196", "0000011633", "0000010706", "0000010712", "0000011329",
                         "0000011270", "0000000663", "0000011263", "0000011264", "0000011669", "0000013011",
                         "0000013008", "0000013014", "0000013022", "0000013015", "0000011265", "0000099999"};

QStringList Grupo(bool (*predicado)(const QString &))
{
    QStringList codigos;
    for (const QString &codigo : kTodos)
        if (predicado(codigo))
            codigos << codigo;
    codigos.sort();
    return codigos;
}

QStringList Ordenada(QStringList codigos)
{
    codigos.sort();
    return codigos;
}

}

TEST(ProcessGroups, EachGroupHoldsExactlyItsCodes)
{
    namespace p = plan::processos;
    const QStringList planejadoCheckout{"0000011045", "0000011054", "0000011077", "0000011080", "0000011262"};
    const QStringList livre{"0000010196", "0000011633", "0000010706", "0000010712", "0000011329",
                            "0000011270", "0000000663", "0000011263", "0000011264", "0000011669",
                            "0000013011", "0000013008", "0000013014", "0000013022", "0000013015"};
    const QStringList script{"0000011270", "0000000663", "0000011669", "0000013015"};
    const QStringList desenvolvimento{"0000011045", "0000011054", "0000011077", "0000011080", "0000010196", "0000011633",
                                      "0000010706", "0000010712", "0000011329", "0000011262", "0000011263", "0000011264"};
    const QStringList checkin = desenvolvimento + script + QStringList{"0000013011", "0000013008", "0000013014", "0000013022"};
    const QStringList planejado = planejadoCheckout + QStringList{"0000011048", "0000011078", "0000011269", "0000010171"};
    EXPECT_EQ(Grupo(p::PlanejadoCheckout), Ordenada(planejadoCheckout));
    EXPECT_EQ(Grupo(p::CheckoutLivre), Ordenada(livre));
    EXPECT_EQ(Grupo(p::CheckoutAoIniciar), Ordenada(livre + planejadoCheckout));
    EXPECT_EQ(Grupo(p::Script), Ordenada(script));
    EXPECT_EQ(Grupo(p::Desenvolvimento), Ordenada(desenvolvimento));
    EXPECT_EQ(Grupo(p::Checkin), Ordenada(checkin));
    EXPECT_EQ(Grupo(p::AnexaScripts), Ordenada(checkin));
    QStringList patch = checkin;
    patch.removeAll("0000013015");
    EXPECT_EQ(Grupo(p::Patch), Ordenada(patch));
    EXPECT_EQ(Grupo(p::Planejado), Ordenada(planejado));
    EXPECT_EQ(Grupo(p::ConfirmaMenu), Ordenada(planejado + QStringList{"0000011633"}));
    EXPECT_EQ(Grupo(p::DiretorioTrabalho), Ordenada({"0000010196", "0000010706", "0000010712", "0000011045",
                                                     "0000011054", "0000011077", "0000011080"}));
    EXPECT_EQ(Grupo(p::Monitoramento), Ordenada({"0000010702", "0000010703", "0000010708", "0000010709"}));
    EXPECT_EQ(Grupo(p::MonitoramentoSemHomologacao), Ordenada({"0000010703", "0000010709"}));
    EXPECT_EQ(Grupo(p::MonitoramentoProjeto), QStringList{"0000011265"});
}

TEST(ActivityStates, LettersBlanksAndTheServersCondition)
{
    EXPECT_EQ(plan::SituacaoDe(" A "), plan::Situacao::EmAndamento);
    EXPECT_EQ(plan::SituacaoDe(""), plan::Situacao::Planejada);   // a null state is a planned activity
    EXPECT_EQ(plan::SituacaoDe("Z"), std::nullopt);
    EXPECT_EQ(plan::SituacaoDe("AI"), std::nullopt);
    EXPECT_TRUE(plan::Encerrada("X") && plan::Encerrada("C") && !plan::Encerrada("I"));
    EXPECT_TRUE(plan::Planejada("  ") && plan::Planejada("P") && !plan::Planejada("A"));
    EXPECT_EQ(plan::SqlNaoEncerrada("p.S"), "(p.S IS NULL OR p.S NOT IN ('C', 'X'))");
}
