// The one instance of every shared record.
#include "geometry/mesh.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"

wpl_t wpl;
wpl2_t wpl2;
win2_t win2;
crbw_t crbw;
wind_t wind;
red_t red;
wps_t wps;
wfun_t wfun;
ffts_t ffts;
intr_t intr;
expf_t expfr;
plnz_t plnz;
symt_t symt;
var_t var;
msz_t msz;
cput_t cput;
wp2_t wp2;
wpt_t wpt;
mprog_t mp;
std::string geolines[MAXLINES + 1];

latc_t latc;
geo_t geo;
icon_t icon;
pipe_t pipes;
offs_t offs;
lat2_t lat2;
lat3_t lat3;
gr_data_t gr_data;
wprm_t wprm;
flg_data_t flg_data;
bc_data_t bc_data;

cals_t cals;
cdis_t cdis;
qkar_t qkar;
eline_t eline;
nzin_t nzin;
lfrbk_t lfrbk;
he_data_t he_data;
stk_data_t stk_data;
tstep_t tstep;
parcom_t parcom;
napprm_t napprm;
napcom_t napcom;
pint_t pint;
wzwy_data_t wzwy_data;
cm3_data_t cm3_data;
cm1_data_t cm1_data;
cm2_data_t cm2_data;
nap_data_t nap_data;
celc_data_t celc_data;
