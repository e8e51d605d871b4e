INSERT INTO SEOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,FPrice)
SELECT FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,FPrice FROM SEOrderEntry te WHERE te.FCess=1+10.0 AND (te.FInterID= 601 AND te.FEntryID=1)
UPDATE te SET te.FCess=10.0,te.FTaxAmt=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)*10.0/((100+10.0)*100),2),
te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+10.0),2),
te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+10.0),ti.FPriceDecimal),
FPrice = Round(FAuxTaxPrice * 100 / (100 + 10.0) * t.FExchangeRate, ti.FPriceDecimal)
  FROM SEOrderEntry te
INNER JOIN SEOrder t ON te.FInterID = t.FInterID
INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID
WHERE te.FCess=1+10.0 AND (te.FInterID= 601 AND te.FEntryID=1)