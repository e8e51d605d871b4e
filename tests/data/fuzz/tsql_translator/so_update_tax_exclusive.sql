INSERT INTO SEOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmount,FAllAmount,FAllStdAmount,FAuxPriceDiscount,FPriceDiscount,FTaxAmt,FAuxTaxPrice,FTaxPrice)
SELECT FInterID,FEntryID,FCess,FTaxAmount,FAllAmount,FAllStdAmount,FAuxPriceDiscount,FPriceDiscount,FTaxAmt,FAuxTaxPrice,FTaxPrice FROM SEOrderEntry te WHERE te.FCess=1+16.0 AND (te.FInterID= 601 AND te.FEntryID=1)
UPDATE te SET te.FCess=16.0,te.FAuxTaxPrice=ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal),
te.FTaxPrice=ROUND(te.FAuxPrice*(100+16.0)/100*t.FExchangeRate,ti.FPriceDecimal),
te.FAuxPriceDiscount=ROUND(ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*(1-te.FTaxRate/100),ti.FPriceDecimal),
te.FPriceDiscount=ROUND(ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),
te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxPrice/100*te.FTaxRate,2),
te.FTaxAmt=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*(100-te.FTaxRate)*16.0/((100+16.0)*100),2),
te.FAllAmount=te.FAmount+ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*(100-te.FTaxRate)*16.0/((100+16.0)*100),2),
te.FAllStdAmount=ROUND((te.FAmount+ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*(100-te.FTaxRate)*16.0/((100+16.0)*100),2)) * t.FExchangeRate, 2)
  FROM SEOrderEntry te
INNER JOIN SEOrder t ON te.FInterID = t.FInterID
INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID
WHERE te.FCess=1+16.0 AND (te.FInterID= 601 AND te.FEntryID=1)